#!/bin/sh
# The whole pipeline on the bundled tunes: converts the MIDI files of
# samples/midi to melody tables, compares all pairs of them and computes
# their features.
#
#   samples/pipeline.sh [BUILD [OUT]]
#
# BUILD is the build folder holding the programs (default: build), OUT the
# folder for the results (default: BUILD/samples): OUT/tables/*.csv, the
# list OUT/tables.lst, OUT/similarity.csv (one line per pair) and
# OUT/features.csv (one line per tune).
set -eu
samples=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
out=${2:-$build/samples}

rm -rf "$out/tables"
mkdir -p "$out/tables"
cp "$samples"/midi/*.mid "$out/tables/"

# Batch mode writes each table beside its MIDI file and ends with status 1;
# --track 1 takes the first usable track of a file without asking.
status=0
ls "$out"/tables/*.mid | "$build/tuneport/tuneport" -f csv --track 1 -I \
  >"$out/tuneport.log" || status=$?
if [ "$status" -ne 1 ]; then
  echo "tuneport failed (status $status)" >&2
  exit 1
fi
ls "$out"/tables/*.csv >"$out/tables.lst"
echo "$(wc -l <"$out/tables.lst") melody tables in $out/tables"

"$build/tunecmp/tunecmp" -s -t "$samples/types.ini" -f "$out/tables.lst" "$out/similarity.csv"
"$build/tunestat/tunestat" -f pitch-avg,ambitus,int-entropy,dur-entropy,ngramint3,synchalf \
  -l "$out/tables.lst" -o "$out/features.csv"
echo "Similarities in $out/similarity.csv, features in $out/features.csv"
