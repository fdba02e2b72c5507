#!/usr/bin/env bash
# Tune-family retrieval with every measure, and the speed of famSim:
#
#   bench/family_retrieval.sh [--tunecmp PATH] [--tables DIR] [--labels FILE]
#                             [--seed N] [--speed]
#
# Runs tunecmp over all pairs of the melody tables in DIR with the 86 types,
# the extra measures (--list-extra) and the default combination opt3, then
# bench/family_retrieval.py: mean average precision (MAP) and nearest-
# neighbour accuracy (NN) of each measure for the labelled families, best
# first. By default the tables and labels are the 194 Dutch songs of the
# shared corpus beside this repository (../shared/corpus: tables/mtc-ann and
# ground-truth/mtc_ann_families.csv); their licence keeps them out of the
# repository, so without them the run is skipped.
#
# --speed also times tunecmp -f over the 197 Irish tunes of samples/cre and
# bench/corpus/cre with the default measures and with famSim alone (processor
# time, best of five) and prints the ratio.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
tunecmp="$root/build/release/tunecmp/tunecmp"
tables="$root/../shared/corpus/tables/mtc-ann"
labels="$root/../shared/corpus/ground-truth/mtc_ann_families.csv"
seed=1
speed=0
while [ $# -gt 0 ]; do
  case "$1" in
    --tunecmp) tunecmp="$(realpath "$2")"; shift 2 ;;
    --tables) tables="$2"; shift 2 ;;
    --labels) labels="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --speed) speed=1; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
if [ ! -x "$tunecmp" ]; then
  echo "no tunecmp at $tunecmp (cmake --preset release && cmake --build build/release)" >&2
  exit 2
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [ -d "$tables" ] && [ -f "$labels" ]; then
  ls "$(realpath "$tables")"/*.csv > "$work/list.txt"
  {
    "$tunecmp" -p
    "$tunecmp" --list-extra | cut -d' ' -f1
    echo "combi:opt3 nGrUkkon 0.505 rhytFuzz 0.417 harmCorE 0.24 const -0.146"
  } > "$work/types.ini"
  (cd "$work" && "$tunecmp" -s -d . -t types.ini -f list.txt result.csv 2> stderr.txt)
  python3 "$root/bench/family_retrieval.py" --labels "$labels" --seed "$seed" --sort map \
    "$work/result.csv"
else
  echo "family retrieval skipped: no $tables or $labels"
fi

if [ "$speed" = 1 ]; then
  ls "$root"/samples/cre/*.csv "$root"/bench/corpus/cre/*.csv > "$work/cre.txt"
  echo famSim > "$work/famsim.ini"
  best() {  # processor seconds of the fastest of five runs of tunecmp "$@"
    for _ in 1 2 3 4 5; do
      (cd "$work" && /usr/bin/time -f "%U %S" "$tunecmp" -s "$@" -f cre.txt out.csv 2>&1 >/dev/null |
        tail -1)
    done | awk '{ s = $1 + $2; if (NR == 1 || s < m) m = s } END { printf "%.2f", m }'
  }
  # No types.ini in the folder: the default measures.
  rm -f "$work/types.ini"
  default="$(best)"
  family="$(best -t famsim.ini)"
  printf '197 Irish tunes, all pairs: default measures %s s, famSim %s s, famSim at %.2f of the default speed\n' \
    "$default" "$family" "$(echo "$default / $family" | bc -l)"
fi
