#!/usr/bin/env bash
# Builds Velrin in Release and times it over the whole 32-bit range of the
# coefficients, each figure against its target:
#   (a) the whole analysis of one curve, in-process, on the hardest pairs we
#       could construct (the 550 constructed pairs of the 32-bit oracle
#       fixture and those below): every pair under 20 ms;
#   (b) velrin batch --format jsonl --threads 1 on random pairs drawn
#       uniformly from the whole range, beside PARI/GP's ellglobalred (the
#       bad primes and Kodaira symbols) on the same pairs in the same run:
#       at least 1.5 times gp's rate.
#
# Usage: bench/wide_run.sh [--quick]
#   --quick      2,000 random pairs instead of 10,000, 3 repeats per hard pair
# Environment:
#   BUILD_DIR    build directory (default: <repository>/build-release)
# Exit status 1 when a target is missed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-release}
pairs=10000
repeats=15
if [[ ${1:-} == --quick ]]; then
  pairs=2000
  repeats=3
fi

echo "== Build (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELRIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target velrin velrin_wide_pass >/dev/null
velrin=$build/velrin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# The constructed pairs of the fixture are its last 550 lines; beside them
# A^3 - 27B prime near 2^93, and A^3 - 27B = p q with p, q primes of 46 to
# 47 bits (both from a search with Velrin's primality test, checked in gp).
grep -v '^#' "$root/tests/oracle/pari_fixture_32bit.txt" | tail -n 550 | awk '{print $1, $2}' \
  >"$work/hard.txt"
cat >>"$work/hard.txt" <<'PAIRS'
2147483647 -2147483522
2147483645 -2147483636
2147483644 -2147483615
-2092055987 310705352
-2097453803 2144538238
-1999835356 -1934268827
-2001385868 679041933
-1979345827 -1410462126
-1949849168 1553523793
-2147483648 -2147483648
2147483647 2147483647
PAIRS

echo
echo "== (a) Whole analysis of one curve on the hardest pairs (target: under 20 ms each)"
"$build/bench/velrin_wide_pass" "$repeats" <"$work/hard.txt" || status=1

echo
echo "== (b) Random pairs over the whole 32-bit range: velrin batch against gp's ellglobalred"
awk -v n="$pairs" 'BEGIN {
  srand(20261209)
  while (count < n) {
    a = int(rand() * 4294967296) - 2147483648
    b = int(rand() * 4294967296) - 2147483648
    if (b == 0 || a * a * a == 27 * b) continue
    print a, b
    ++count
  }
}' >"$work/random.txt"

start=$(date +%s.%N)
"$velrin" batch --format jsonl --threads 1 --quiet "$work/random.txt" >"$work/random.jsonl"
velrin_seconds=$(echo "$(date +%s.%N) - $start" | bc -l)
start=$(date +%s.%N)
"$velrin" batch --format jsonl --quiet "$work/random.txt" >/dev/null
all_cores_seconds=$(echo "$(date +%s.%N) - $start" | bc -l)
cat >"$work/gp.gp" <<GP
default(parisizemax, 2^30);
{
  my(f = fileopen("$work/random.txt"), l, v);
  while ((l = filereadstr(f)) != 0,
    v = eval(strsplit(l, " "));
    ellglobalred(ellinit([v[1], 0, v[2], 0, 0])));
}
quit;
GP
start=$(date +%s.%N)
gp -q -f "$work/gp.gp" >/dev/null 2>&1
gp_seconds=$(echo "$(date +%s.%N) - $start" | bc -l)

analysed=$(grep -c '"status":"analysed"' "$work/random.jsonl" || true)
velrin_rate=$(echo "$pairs / $velrin_seconds" | bc -l)
all_rate=$(echo "$pairs / $all_cores_seconds" | bc -l)
gp_rate=$(echo "$pairs / $gp_seconds" | bc -l)
ratio=$(echo "$velrin_rate / $gp_rate" | bc -l)
printf '%d random pairs, %d analysed (none refused)\n' "$pairs" "$analysed"
printf 'velrin batch, 1 thread:    %8.0f curves/s (%.2f s)\n' "$velrin_rate" "$velrin_seconds"
printf 'velrin batch, every core:  %8.0f curves/s (%.2f s)\n' "$all_rate" "$all_cores_seconds"
printf 'gp ellglobalred, 1 thread: %8.0f curves/s (%.2f s)\n' "$gp_rate" "$gp_seconds"
if (($(echo "$ratio >= 1.5" | bc -l))) && [[ $analysed -eq $pairs ]]; then
  printf 'at least 1.5 times gp on one thread: met (%.2f times)\n' "$ratio"
else
  printf 'at least 1.5 times gp on one thread: MISSED (%.2f times)\n' "$ratio"
  status=1
fi
exit $status
