#!/usr/bin/env bash
# The share of curves whose rank `velrin batch --rank` proves, among those
# where the descent's bound d1 + d2 - 1 equals PARI's rank (ellrank's bounds
# meet), on the fixtures of tests/oracle:
#   (a) every nonsingular |A|, |B| <= 40 (pari_fixture.txt);
#   (b) the 2,000-curve random sample |A| <= 1000, 1 <= B <= 10^5
#       (the "R" lines of rank_fixture.txt).
# Also counts any proven rank or lower bound that differs from PARI's (a
# fault) and the CPU time of each run.
#
# Usage: bench/rank_coverage.sh [extra velrin options, e.g. --height 40]
# Environment: BUILD_DIR (default: <repository>/build-release)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-release}
if [[ ! -x $build/velrin ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELRIN_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target velrin >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "A B rank" where ellrank's bounds meet.
awk '!/^#/ && $1 >= -40 && $1 <= 40 && $2 >= -40 && $2 <= 40 && $NF == $(NF-1) {
  print $1, $2, $NF }' "$root/tests/oracle/pari_fixture.txt" >"$work/small"
awk '$1 == "R" && $4 != "?" && $4 == $5 { print $2, $3, $4 }' \
  "$root/tests/oracle/rank_fixture.txt" >"$work/random"

for set in small random; do
  cut -d' ' -f1,2 "$work/$set" >"$work/$set.pairs"
  /usr/bin/time -f '%U %S' -o "$work/cpu" "$build/velrin" batch --rank --format jsonl \
    --threads 1 --quiet "$@" "$work/$set.pairs" >"$work/$set.jsonl"
  cpu=$(awk '{ printf "%.1f", $1 + $2 }' "$work/cpu")
  jq -r '[.a, .b, .rank_bound, .rank_lower, (.rank // "null")] | @tsv' "$work/$set.jsonl" |
    paste - <(cut -d' ' -f3 "$work/$set") |
    awk -v set="$set" -v cpu="$cpu" '{
      bound = $3; lower = $4; rank = $5; truth = $6
      if (lower > truth || (rank != "null" && rank != truth)) { bad++; print "  differs from PARI: " $1, $2 }
      if (bound == truth) { sharp++; if (rank != "null") proven++ }
    } END {
      printf "%-7s sharp bounds %d, proven %d (%.1f%%), differing from PARI %d, %s s CPU\n",
        set, sharp, proven, 100 * proven / sharp, bad + 0, cpu
    }'
done
