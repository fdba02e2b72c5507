#!/usr/bin/env bash
# Time and peak memory (/usr/bin/time -v) of tunecmp, tunestat and tuneport on
# large inputs: a file list of N names (the bundled sample melodies over and
# over), one melody table of R rows and a MIDI file of E events, generated in
# a temporary folder.
#   bench/scale_inputs.sh <tunecmp binary> <tunestat binary> [N (100000)] [R (100000)] [E (1000000)]
# Example: bench/scale_inputs.sh build/release/tunecmp/tunecmp build/release/tunestat/tunestat
# tuneport is taken from beside tunecmp (../tuneport/tuneport) or from $TUNEPORT;
# without it, or with SCALE_ONLY=tuneport, the other parts are skipped accordingly.
# Each line: what ran, its exit status, wall seconds, peak resident memory.
# The all-pairs list run (N(N-1)/2 pairs) is stopped after a fixed time: its
# memory must stay that of the loaded melodies while the result list grows.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 <tunecmp binary> <tunestat binary> [names] [rows]" >&2
  exit 2
fi
tunecmp=$(realpath "$1")
tunestat=$(realpath "$2")
names=${3:-100000}
rows=${4:-100000}
events=${5:-1000000}
tuneport=$(realpath "${TUNEPORT:-$(dirname "$tunecmp")/../tuneport/tuneport}" 2>/dev/null || true)
samples=$(realpath "$(dirname "$0")/../samples/cre")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

ls "$samples"/*.csv > samples.lst
awk -v n="$names" '{ name[NR] = $0 } END { for (i = 0; i < n; ++i) print name[i % NR + 1] }' \
  samples.lst > big.lst
# Sixteenth notes in 4/4 at 480 ticks per beat: 16 rows a bar.
awk -v n="$rows" 'BEGIN {
  print "Signature: 4/4, Ticks per Beat: 480, Annotated Key: 0"
  print "onset;onsetics;takt;beat;ticks;pitch;durs;durtic;dur16;"
  for (k = 0; k < n; ++k) {
    printf "%.4f;%d;%d;%d;%d;%d;0,1250;120;1;\n", k * 0.125, k * 120, int(k / 16) + 1,
           int((k % 16) / 4) + 1, (k % 4) * 120, 60 + (k * 7) % 12
  }
}' > long.csv
printf 'rawEd\n' > raw.ini
printf 'const\n' > const.ini
one=$(head -n 1 samples.lst)

# measure <label> <seconds allowed> <command...>
measure() {
  local label=$1 limit=$2
  shift 2
  local status=0
  /usr/bin/time -v -o time.txt timeout -s INT "$limit" "$@" > stdout.txt 2> stderr.txt || status=$?
  local wall rss
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
                       for (i = 1; i <= n; ++i) s = s * 60 + t[i]; print s }' time.txt)
  rss=$(awk -F': ' '/Maximum resident set size/ { printf "%.1f MB", $2 / 1024 }' time.txt)
  printf '%-52s status %3d  %8.2f s  %10s\n' "$label" "$status" "$wall" "$rss"
}

if [ "${SCALE_ONLY:-}" != tuneport ]; then
  measure "tunestat features, $names-name list" 3600 \
    "$tunestat" -f pitch-avg,ambitus,int-entropy,ngramint3 -l big.lst -o features.csv
  measure "tunestat features, one melody of $rows rows" 3600 \
    "$tunestat" -f pitch-avg,ambitus,int-entropy,ngramint3 long.csv
  measure "tunestat transform, one melody of $rows rows" 3600 \
    "$tunestat" -m t -f pitch-raw,int-entropy,beat-phase -o t long.csv
  measure "tunecmp -f1 rawEd, $names-name list ($((names - 1)) pairs)" 3600 \
    "$tunecmp" -s -t raw.ini -f1 big.lst next.csv
  measure "tunecmp -F rawEd, $names-name list ($names pairs)" 3600 \
    "$tunecmp" -s -t raw.ini -F big.lst "$one" one.csv
  measure "tunecmp -f rawEd, $names-name list (stopped after 60 s)" 60 \
    "$tunecmp" -s -t raw.ini -f big.lst all.csv
  echo "    $(($(wc -l < all.csv) - 1)) of $((names * (names - 1) / 2)) pairs written in 60 s"
  measure "tunecmp -M -f, $names-name list (refused)" 3600 \
    "$tunecmp" -s -t raw.ini -M -f big.lst matrix
  echo "    $(cat stderr.txt)"
  measure "tunecmp -n const, two melodies of $rows rows" 3600 \
    "$tunecmp" -s -n -t const.ini long.csv long.csv pair.csv
fi

[ -x "$tuneport" ] || { echo "no tuneport binary: tuneport runs skipped" >&2; exit 0; }

# A format-0 MIDI file of E events: E/2 notes of an eighth each at 480 ticks
# per quarter, note-on and note-off (velocity 0) under running status.
python3 - "$events" > long.mid <<'PY'
import struct, sys
notes = int(sys.argv[1]) // 2
body = bytearray(b"\x00\xff\x51\x03\x07\xa1\x20\x00\xff\x58\x04\x04\x02\x18\x08\x00\x90")
first = True
for k in range(notes):
    pitch = 60 + (k * 7) % 12
    if not first:
        body += b"\x00"  # delta 0 before the next note-on (running status)
    body += bytes([pitch, 100, 0x81, 0x70, pitch, 0])  # 240 ticks later, off
    first = False
body += b"\x00\xff\x2f\x00"
sys.stdout.buffer.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) +
                        b"MTrk" + struct.pack(">I", len(body)) + body)
PY

measure "tuneport MIDI of $events events to a melody table" 3600 \
  "$tuneport" -f csv -i long.mid -o from_midi.csv
measure "tuneport MIDI of $events events to a note list" 3600 \
  "$tuneport" -f notes -i long.mid -o from_midi.notes
for format in csv midi esac notes gnu; do
  measure "tuneport table of $rows rows to $format" 3600 \
    "$tuneport" -f $format -i long.csv -o "out.$format"
done
measure "tuneport table of $rows rows to csv with segmentation" 3600 \
  "$tuneport" -f csv -s -i long.csv -o segmented.csv
measure "tuneport batch, the $rows-row table 10 times" 3600 \
  sh -c 'for i in 1 2 3 4 5 6 7 8 9 10; do echo long.csv; done | "$0" -f notes -I' "$tuneport"
