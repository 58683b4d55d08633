#!/usr/bin/env bash
# Builds Velrin in Release and prints, in one run:
#   (a) the full pass (setCoefficients to the end of line [4]) on the slowest
#       curves known, fast paths against plain ones, with the ratio;
#   (b) the throughput of the program itself on a piped session of 100,000
#       curves, with its peak resident memory.
# and checks them against the targets: every fast pass under 5 ms, at least
# 50,000 curves a second through one process, peak RSS under 16 MiB.
#
# Usage: bench/run.sh [--quick]
#   --quick            predict the plain passes instead of running them
# Environment:
#   BUILD_DIR          build directory (default: <repository>/build-release)
#   PLAIN_CAP          skip a plain pass predicted above this many seconds (180)
#   PLAIN_BUDGET       seconds of plain passes in all (900)
#   SESSION_RUNS       timed runs of the session, the median is shown (5)
# Exit status 1 when a target is missed or a plain report differs.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-release}
runs=${SESSION_RUNS:-5}
full_pass_args=(--plain-cap "${PLAIN_CAP:-180}" --plain-budget "${PLAIN_BUDGET:-900}")
if [[ ${1:-} == --quick ]]; then full_pass_args+=(--fast-only); fi

echo "== Build (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target velrin velrin_full_pass >/dev/null
velrin=$build/velrin
full_pass=$build/bench/velrin_full_pass

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
echo
echo "== (a) Full pass on the slowest curves, fast paths against plain"
"$full_pass" "${full_pass_args[@]}" | tee "$work/full_pass.txt" || status=1
fast_met=0
grep -q 'under 5 ms on every curve: met' "$work/full_pass.txt" && fast_met=1

# Every A in [-100, 100] with B in [1, 500], the first 100,000 pairs; each
# answered n, the last y.
curves=100000
awk -v total="$curves" 'BEGIN {
  n = 0
  for (a = -100; a <= 100 && n < total; ++a)
    for (b = 1; b <= 500 && n < total; ++b) {
      ++n
      printf "%d\n%d\n%s\n", a, b, (n == total ? "y" : "n")
    }
}' >"$work/session.txt"

echo
echo "== (b) Session of $curves curves piped through one velrin process, $runs runs"
times=()
peak_kib=0
for ((run = 1; run <= runs; ++run)); do
  start=$(date +%s%N)
  cat "$work/session.txt" | /usr/bin/time -f %M -o "$work/rss" "$velrin" >"$work/out.txt"
  end=$(date +%s%N)
  times+=($((end - start)))
  rss=$(tail -n 1 "$work/rss")
  ((rss > peak_kib)) && peak_kib=$rss
done
answered=$(grep -c 'Quit? (y/n) >' "$work/out.txt" || true)
reports=$(grep -c '^\[4\]' "$work/out.txt" || true)
singular=$(grep -c 'is singular' "$work/out.txt" || true)
median_ns=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
best_ns=$(printf '%s\n' "${times[@]}" | sort -n | head -n 1)
rate=$(awk -v n="$curves" -v t="$median_ns" 'BEGIN { printf "%.0f", n / (t / 1e9) }')
best_rate=$(awk -v n="$curves" -v t="$best_ns" 'BEGIN { printf "%.0f", n / (t / 1e9) }')
peak_mib=$(awk -v k="$peak_kib" 'BEGIN { printf "%.2f", k / 1024 }')
printf '%-34s %s\n' "passes answered / reports / singular" "$answered / $reports / $singular"
printf '%-34s %s\n' "output bytes" "$(wc -c <"$work/out.txt")"
printf '%-34s %.3f s (best %.3f s)\n' "wall time, median of $runs" \
  "$(awk -v t="$median_ns" 'BEGIN { print t / 1e9 }')" "$(awk -v t="$best_ns" 'BEGIN { print t / 1e9 }')"
printf '%-34s %s (best %s)\n' "curves per second" "$rate" "$best_rate"
printf '%-34s %s KiB = %s MiB\n' "peak resident memory" "$peak_kib" "$peak_mib"

echo
echo "== Targets"
check() {
  if [[ $2 == 1 ]]; then
    printf '%-44s met\n' "$1"
  else
    printf '%-44s MISSED\n' "$1"
    status=1
  fi
}
check "every fast full pass under 5 ms:" "$fast_met"
check ">= 50,000 curves per second (median run):" "$(awk -v r="$rate" 'BEGIN { print (r >= 50000) }')"
check "peak RSS under 16 MiB:" "$(awk -v k="$peak_kib" 'BEGIN { print (k < 16384) }')"
check "all $curves passes answered:" "$((answered == curves))"
exit "$status"
