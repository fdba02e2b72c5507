#!/usr/bin/env bash
# The corpus benchmarks in one command:
#
#   bench/run.sh [--build DIR] [--baseline DIR] [--quick] [--fourier-check]
#
#   --build DIR      build directory (default: build/bench; configured Release
#                    with the benchmark programs)
#   --baseline DIR   build directory of another revision (say, before the
#                    prepared engine): its tunecmp and tunestat run on the same
#                    corpus, their outputs are compared byte for byte, and the
#                    speed ratios reported
#   --quick          fewer sampled pairs for the per-pair computation
#   --fourier-check  also compare the fast Fourier alignment with the plain one
#                    on every pair of the bundled samples and the test melodies
#                    (some minutes)
#
# The corpus: the 197 Irish tunes of samples/cre and bench/corpus/cre, and the
# first half of each (its first strain) as a melody of its own: 394 melodies,
# 77,421 pairs. Times are processor times, so other load on the machine counts
# less; still, compare figures only within one run.
#
# (a) tunecmp -f over all pairs with the default measures (transposition
#     search included): pairs per second;
# (b) the same pairs through the library, prepared melodies against the
#     per-pair computation (on a spread sample of the pairs), for the default
#     measures and for each measure family alone: microseconds per pair;
# (c) tunestat with all 133 features: melodies per second, prepared against
#     feature by feature;
# (d) tuneport -I over the bundled MIDI files and the EsAC records of the
#     test data (each copied several times): files per second.
#
# (a) and (c) also run with -j 2 and report wall-clock rates for -j 1 and
# -j 2 (processor time adds up over threads): the speed-up on this machine.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench"
baseline=""
quick=0
fourier=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$(realpath -m "$2")"; shift 2 ;;
    --baseline) baseline="$(realpath "$2")"; shift 2 ;;
    --quick) quick=1; shift ;;
    --fourier-check) fourier=1; shift ;;
    *) echo "usage: $0 [--build DIR] [--baseline DIR] [--quick] [--fourier-check]" >&2; exit 2 ;;
  esac
done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSUITE_BENCH=ON -DSUITE_TESTS=OFF \
  > /dev/null
cmake --build "$build" -j2 --target tunecmp tunestat tuneport similarity_corpus_bench \
  features_corpus_bench > /dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tunes" "$work/halves" "$work/run"
for f in "$root"/samples/cre/*.csv "$root"/bench/corpus/cre/*.csv; do
  name="$(basename "$f")"
  cp "$f" "$work/tunes/$name"
  # Header and column lines, then the first half of the notes.
  awk 'NR <= 2 { print; next } { rows[++n] = $0 } END { for (i = 1; i <= int(n / 2); i++) print rows[i] }' \
    "$f" > "$work/halves/${name%.csv}_half.csv"
done
ls "$work"/tunes/*.csv "$work"/halves/*.csv > "$work/melodies.lst"
melodies=$(wc -l < "$work/melodies.lst")
pairs=$(( melodies * (melodies - 1) / 2 ))

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores;$(uptime | sed 's/.*load/ load/')"
echo "corpus: $melodies melodies (197 tunes and their first halves), $pairs pairs"
echo

# Processor seconds (user + system) of one command, its output to $3 and
# its messages to $4.
cpu_seconds() {
  local TIMEFORMAT='%3U %3S'
  local t
  t=$( { time "$@" > /dev/null 2> "$work/run/messages.txt"; } 2>&1 )
  echo "$t" | awk '{ print $1 + $2 }'
}

# Wall-clock seconds of one command, its output to /dev/null.
wall_seconds() {
  local TIMEFORMAT='%3R'
  local t
  t=$( { time "$@" > /dev/null 2> "$work/run/messages.txt"; } 2>&1 )
  echo "$t"
}

run_tunecmp() {
  (cd "$work/run" && cpu_seconds "$1" -s -f "$work/melodies.lst" "$2")
}
run_tunestat() {
  "$1" -p > "$work/features.txt"
  (cd "$work/run" && cpu_seconds "$1" -f "$work/features.txt" -l "$work/melodies.lst" -o "$2")
}
# Wall-clock rates of -j 1 and -j 2 (and the outputs compared); $1: the
# program's command before its options, $2: items, $3: unit, $4: output name.
jobs_speedup() {
  local cmd=$1 items=$2 unit=$3 name=$4 t1 t2
  t1=$(cd "$work/run" && wall_seconds $cmd -j 1 "${@:5}" "$name.j1")
  t2=$(cd "$work/run" && wall_seconds $cmd -j 2 "${@:5}" "$name.j2")
  awk -v n="$items" -v u="$unit" -v t1="$t1" -v t2="$t2" \
    'BEGIN { printf "    wall clock: -j 1 %.0f %s/s, -j 2 %.0f %s/s: %.2fx\n", n / t1, u, n / t2, u, t1 / t2 }'
  cmp -s "$work/run/$name.j1" "$work/run/$name.j2" \
    && echo "    -j 1 and -j 2 outputs identical" || echo "    -J 1 AND -J 2 OUTPUTS DIFFER"
}

echo "(a) tunecmp -f, default measures with the transposition search"
t=$(run_tunecmp "$build/tunecmp/tunecmp" "$work/run/pairs.csv")
awk -v p="$pairs" -v t="$t" 'BEGIN { printf "    this build: %.2f s, %.0f pairs/s\n", t, p / t }'
jobs_speedup "$build/tunecmp/tunecmp -s" "$pairs" pairs pairs -f "$work/melodies.lst"
if [ -n "$baseline" ]; then
  tb=$(run_tunecmp "$baseline/tunecmp/tunecmp" "$work/run/pairs_baseline.csv")
  awk -v p="$pairs" -v t="$t" -v tb="$tb" \
    'BEGIN { printf "    baseline:   %.2f s, %.0f pairs/s; this build %.1fx faster\n", tb, p / tb, tb / t }'
  cmp -s "$work/run/pairs.csv" "$work/run/pairs_baseline.csv" \
    && echo "    result lists identical" || echo "    RESULT LISTS DIFFER"
fi
echo

echo "(b) the same pairs in the library: prepared melodies against the per-pair computation"
reference=2000
family=3000
if [ "$quick" = 1 ]; then reference=300; family=600; fi
"$build/bench/similarity_corpus_bench" "$work/melodies.lst" --reference-pairs "$reference" \
  --family-pairs "$family" --families | sed 's/^/    /'
echo

echo "(c) tunestat, all 133 features"
t=$(run_tunestat "$build/tunestat/tunestat" "$work/run/features.csv")
awk -v n="$melodies" -v t="$t" 'BEGIN { printf "    this build: %.3f s, %.0f melodies/s (reading included)\n", t, n / t }'
jobs_speedup "$build/tunestat/tunestat -f $work/features.txt" "$melodies" melodies features \
  -l "$work/melodies.lst" -o
if [ -n "$baseline" ]; then
  tb=$(run_tunestat "$baseline/tunestat/tunestat" "$work/run/features_baseline.csv")
  awk -v n="$melodies" -v t="$t" -v tb="$tb" \
    'BEGIN { printf "    baseline:   %.3f s, %.0f melodies/s; this build %.1fx faster\n", tb, n / tb, tb / t }'
  cmp -s "$work/run/features.csv" "$work/run/features_baseline.csv" \
    && echo "    feature tables identical" || echo "    FEATURE TABLES DIFFER"
fi
"$build/bench/features_corpus_bench" "$work/melodies.lst" | sed 's/^/    /'

echo
echo "(d) tuneport -I, the bundled MIDI files and the test EsAC records to melody tables"
mkdir -p "$work/port"
for copy in 1 2 3 4 5 6 7 8 9 10; do
  for f in "$root"/samples/midi/*.mid "$root"/tests/data/esac/*.esa; do
    name="$(basename "$f")"
    cp "$f" "$work/port/${copy}_$name"
  done
done
ls "$work"/port/*.mid "$work"/port/*.esa > "$work/port.lst"
files=$(wc -l < "$work/port.lst")
# Batch mode ends with status 1; the tables are written all the same.
t=$(cd "$work/port" && TIMEFORMAT='%3U %3S' && { time "$build/tuneport/tuneport" -f csv --track 1 -I \
  < "$work/port.lst" > /dev/null 2>&1 || true; } 2>&1 | awk '{ print $1 + $2 }')
tables=$(ls "$work"/port/*.csv 2>/dev/null | wc -l)
awk -v n="$files" -v t="$t" -v w="$tables" \
  'BEGIN { printf "    %d files (%d tables written): %.3f s, %.0f files/s\n", n, w, t, n / t }'

if [ "$fourier" = 1 ]; then
  echo
  echo "Fourier types: fast against plain alignment"
  (cd "$root" && ls samples/cre/*.csv tests/data/melodies/*.csv tests/data/similarity/*.csv \
     tests/data/features/*.csv tests/data/tunecmp/*.csv > "$work/fourier.lst")
  (cd "$root" && "$build/bench/similarity_corpus_bench" "$work/fourier.lst" --reference-pairs 1 \
     --fourier-check | sed -n '/Fourier check/,$p' | sed 's/^/    /')
fi
