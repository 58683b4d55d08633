#!/usr/bin/env bash
# Times the rank search against PARI/GP's ellrank on the same pairs, in
# the same run, one thread each:
#   (a) velrin batch --rank --format jsonl --threads 1 (the default
#       height) on the pairs (A, B) with |A| <= 100, 1 <= B <= 500, A in
#       steps of STRIDE, against gp reading the same file and calling
#       ellrank(ellinit([A,0,B,0,0])) on each: curves per second, and the
#       share of curves whose rank velrin proves beside the share gp settles
#       (lower bound = upper bound);
#   (b) velrin scan --format jsonl without --rank on |A| <= 200, 1 <= B <= 2000,
#       one thread: the scan that must not slow down.
# Target: (a) at least 20 times gp's rate, in CPU time (the machine may be
# shared).
#
# Usage: bench/rank_run.sh
# Environment:
#   BUILD_DIR    build directory (default: <repository>/build-release)
#   STRIDE       the step of A in (a) (default 10: 21 values of A, 10,500 pairs)
# Exit status 1 when the target is missed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-release}
stride=${STRIDE:-10}

echo "== Build (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELRIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target velrin >/dev/null
velrin=$build/velrin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for ((a = -100; a <= 100; a += stride)); do
  for ((b = 1; b <= 500; ++b)); do
    # A^3 = 27B is singular.
    ((a * a * a == 27 * b)) || echo "$a $b"
  done
done >"$work/pairs"
pairs=$(wc -l <"$work/pairs")

seconds() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.3f", (e - s) / 1e9 }'; }
# The user + system seconds of the last command timed into $work/cpu. The
# machine may be shared: CPU time shows what a run costs whatever else runs.
cpu_seconds() { awk '{ printf "%.3f", $1 + $2 }' "$work/cpu"; }

echo "== (a) $pairs pairs, |A| <= 100 (step $stride), 1 <= B <= 500, one thread each"
start=$(date +%s%N)
/usr/bin/time -f '%U %S' -o "$work/cpu" \
  "$velrin" batch --rank --format jsonl --threads 1 --quiet "$work/pairs" >"$work/velrin.jsonl"
end=$(date +%s%N)
velrin_wall=$(seconds "$start" "$end")
velrin_s=$(cpu_seconds)
velrin_proven=$(grep -c '"rank":[0-9]' "$work/velrin.jsonl" || true)

cat >"$work/rank.gp" <<GP
default(parisizemax, 2^30);
{
  my(v = readvec("$work/pairs.gpv"), settled = 0);
  for (i = 1, #v,
    my(r = ellrank(ellinit([v[i][1], 0, v[i][2], 0, 0])));
    if (r[1] == r[2], settled++));
  print(settled);
}
quit;
GP
awk '{ printf "[%s,%s]\n", $1, $2 }' "$work/pairs" >"$work/pairs.gpv"
start=$(date +%s%N)
/usr/bin/time -f '%U %S' -o "$work/cpu" gp -q "$work/rank.gp" >"$work/gp.out" 2>/dev/null
end=$(date +%s%N)
gp_settled=$(tail -n 1 "$work/gp.out")
gp_wall=$(seconds "$start" "$end")
gp_s=$(cpu_seconds)

awk -v n="$pairs" -v vs="$velrin_s" -v gs="$gp_s" -v vw="$velrin_wall" -v gw="$gp_wall" \
  -v vp="$velrin_proven" -v gpn="$gp_settled" 'BEGIN {
  printf "velrin batch --rank, 1 thread: %7.0f curves per CPU second (%s s CPU, %s s wall), rank proven on %d (%.1f%%)\n", n / vs, vs, vw, vp, 100 * vp / n
  printf "gp ellrank, 1 thread:          %7.0f curves per CPU second (%s s CPU, %s s wall), rank settled on %d (%.1f%%)\n", n / gs, gs, gw, gpn, 100 * gpn / n
  printf "ratio of CPU times: %.1f (target 20)\n", gs / vs
}'
status=0
awk -v vs="$velrin_s" -v gs="$gp_s" 'BEGIN { exit !(gs / vs >= 20) }' || status=1

echo "== (b) velrin scan without --rank, |A| <= 200, 1 <= B <= 2000, one thread"
/usr/bin/time -f '%U %S' -o "$work/cpu" \
  "$velrin" scan --a -200:200 --b 1:2000 --format jsonl --threads 1 --quiet >/dev/null
scan_s=$(cpu_seconds)
awk -v s="$scan_s" 'BEGIN { printf "velrin scan, 1 thread: %.0f curves per CPU second (%s s CPU)\n", 802000 / s, s }'
exit $status
