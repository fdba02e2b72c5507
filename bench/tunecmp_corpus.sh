#!/usr/bin/env bash
# Times `tunecmp -f` (all pairs) over every melody table in the given folders
# and reports comparisons per second.
#   bench/tunecmp_corpus.sh <tunecmp binary> <folder>... [-- <extra tunecmp options>]
# Example: bench/tunecmp_corpus.sh build/tunecmp/tunecmp corpus/cre corpus/mtc-ann
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 <tunecmp binary> <folder>... [-- <tunecmp options>]" >&2
  exit 2
fi
tunecmp=$(realpath "$1")
shift
folders=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do folders+=("$(realpath "$1")"); shift; done
[ "${1:-}" = "--" ] && shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for f in "${folders[@]}"; do ls "$f"/*.csv; done > "$work/list.txt"
n=$(wc -l < "$work/list.txt")
pairs=$(( n * (n - 1) / 2 ))
cd "$work"
start=$(date +%s.%N)
"$tunecmp" -s "$@" -f list.txt result.csv 2> stderr.txt
end=$(date +%s.%N)
grep -c . result.csv > /dev/null
seconds=$(echo "$end - $start" | bc -l)
printf '%d melodies, %d pairs in %.2f s: %.0f pairs/s\n' "$n" "$pairs" "$seconds" \
  "$(echo "$pairs / $seconds" | bc -l)"
