#!/usr/bin/env bash
# Times tunestat computing all 133 features for every melody table of one or
# more corpus directories and reports melodies per second.
#
# Usage: bench/tunestat_corpus.sh [-b TUNESTAT] [-r REPEATS] DIR [DIR...]
#   -b  the tunestat binary (default: build/tunestat/tunestat)
#   -r  runs to time; the best run counts (default: 3)
set -euo pipefail

binary="build/tunestat/tunestat"
repeats=3
while getopts "b:r:" opt; do
  case "$opt" in
    b) binary="$OPTARG" ;;
    r) repeats="$OPTARG" ;;
    *) echo "usage: $0 [-b TUNESTAT] [-r REPEATS] DIR [DIR...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -eq 0 ]; then
  echo "usage: $0 [-b TUNESTAT] [-r REPEATS] DIR [DIR...]" >&2
  exit 2
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

find "$@" -maxdepth 1 -name '*.csv' -type f | sort > "$work/melodies.lst"
count=$(wc -l < "$work/melodies.lst")
"$binary" -p > "$work/features.txt"
features=$(wc -l < "$work/features.txt")

best=""
for ((i = 1; i <= repeats; i++)); do
  start=$(date +%s.%N)
  "$binary" -f "$work/features.txt" -l "$work/melodies.lst" -o "$work/out.csv" 2> "$work/log.txt"
  end=$(date +%s.%N)
  elapsed=$(echo "$end - $start" | bc -l)
  if [ -z "$best" ] || [ "$(echo "$elapsed < $best" | bc -l)" -eq 1 ]; then best=$elapsed; fi
done

rows=$(($(wc -l < "$work/out.csv") - 1))
printf 'melodies: %d (rows written: %d), features: %d\n' "$count" "$rows" "$features"
printf 'best of %d runs: %.3f s, %.1f melodies/s\n' "$repeats" "$best" "$(echo "$count / $best" | bc -l)"
