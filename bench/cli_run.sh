#!/usr/bin/env bash
# Builds Velrin in Release and times its command line, each figure against
# its target:
#   (a) velrin scan --a -1000:1000 --b 1:5000 --format jsonl > /dev/null
#       (10,005,000 pairs) with 1 and 2 threads: curves per second and peak
#       resident memory; beside it PARI/GP's ellglobalred (the field's usual
#       tool for the bad primes and Kodaira symbols) over a random sample of
#       the same box;
#   (a') the same box with --format none --summary (statistics alone, the
#       row sieve's case) with 1 and 2 threads, and a box of large
#       coefficients (A = -2^31, -2^31 + 1; B from 1 to 3000), where the
#       sieve stands aside;
#   (b) velrin batch --format jsonl --threads 1 on a file of 1,000,000
#       random pairs with |A| <= 3000 and |B| <= 10^6;
#   (c) the dialogue on a piped session of 100,000 curves (as bench/run.sh);
#   (d) velrin_record_bench: the analysis against the writing of records.
#
# Usage: bench/cli_run.sh [--quick]
#   --quick      a tenth of the scan box (A in [-100, 100]) and of the batch
# Environment:
#   BUILD_DIR    build directory (default: <repository>/build-release)
#   RUNS         timed runs of each command, the median is shown (3)
#   GP_SAMPLE    pairs of the box given to gp (100000)
# Exit status 1 when a target is missed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-release}
runs=${RUNS:-3}
gp_sample=${GP_SAMPLE:-100000}
a_range=-1000:1000
batch_pairs=1000000
if [[ ${1:-} == --quick ]]; then
  a_range=-100:100
  batch_pairs=100000
fi

echo "== Build (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELRIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target velrin velrin_record_bench >/dev/null
velrin=$build/velrin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# Runs "$@" $runs times with stdout to /dev/null; sets median_s (wall
# seconds), cpu_s (user + system seconds of that same run) and peak_kib (the
# largest peak RSS of the runs). The machine is shared: CPU time shows what
# the run costs whatever else is running.
time_runs() {
  local rows=() rss
  peak_kib=0
  for ((run = 1; run <= runs; ++run)); do
    local start end
    start=$(date +%s%N)
    # Standard error too: a --summary run writes its summary there, which
    # the figures do not need; it is shown only if the command fails.
    /usr/bin/time -f '%M %U %S' -o "$work/rss" "$@" >/dev/null 2>"$work/stderr" ||
      { cat "$work/stderr" >&2; exit 1; }
    end=$(date +%s%N)
    read -r rss user sys < <(tail -n 1 "$work/rss")
    rows+=("$((end - start)) $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')")
    ((rss > peak_kib)) && peak_kib=$rss
  done
  read -r median_ns cpu_s < <(printf '%s\n' "${rows[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
  median_s=$(awk -v t="$median_ns" 'BEGIN { printf "%.3f", t / 1e9 }')
}

rate() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / t }'; }
check() {
  if [[ $2 == 1 ]]; then
    printf '%-58s met\n' "$1"
  else
    printf '%-58s MISSED\n' "$1"
    status=1
  fi
}

a_min=${a_range%:*}
a_max=${a_range#*:}
pairs=$(((a_max - a_min + 1) * 5000))
echo
echo "== (a) velrin scan --a $a_range --b 1:5000 --format jsonl > /dev/null ($pairs pairs), $runs runs"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
printf '%-10s %10s %14s %14s %10s %16s\n' threads "wall (s)" "curves/s" "peak RSS KiB" "CPU (s)" "curves/CPU-s"
declare -A scan_rate scan_rss
for threads in 1 2; do
  time_runs "$velrin" scan --a "$a_range" --b 1:5000 --format jsonl --threads "$threads" --quiet
  scan_rate[$threads]=$(rate "$pairs" "$median_s")
  scan_rss[$threads]=$peak_kib
  [[ $threads == 1 ]] && scan_cpu_1=$cpu_s
  printf '%-10s %10s %14s %14s %10s %16s\n' "$threads" "$median_s" "${scan_rate[$threads]}" \
    "$peak_kib" "$cpu_s" "$(rate "$pairs" "$cpu_s")"
done

# gp: ellglobalred (conductor, bad primes, Tamagawa numbers) on random
# nonsingular pairs of the same box.
cat >"$work/sample.gp" <<GP
setrand(1); n = 0; t0 = getabstime();
while (n < $gp_sample, a = ($a_min) + random($((a_max - a_min + 1))); b = 1 + random(5000); \
  if (a^3 != 27*b, ellglobalred(ellinit([a,0,b,0,0])); n++));
t = (getabstime() - t0) / 1000.; printf("%d %.3f\n", n, t);
GP
read -r gp_n gp_s < <(gp -q -f --default parisize=64000000 "$work/sample.gp" </dev/null)
gp_rate=$(rate "$gp_n" "$gp_s")
printf '%-10s %10s %14s %14s\n' "gp" "$gp_s" "$gp_rate" "(ellglobalred on $gp_n random pairs of the box, one thread)"

echo
echo "== (a') velrin scan --a $a_range --b 1:5000 --format none --summary ($pairs pairs), $runs runs"
printf '%-10s %10s %14s %14s %10s %16s\n' threads "wall (s)" "curves/s" "peak RSS KiB" "CPU (s)" "curves/CPU-s"
declare -A none_rate none_cpu_rate none_rss
for threads in 1 2; do
  time_runs "$velrin" scan --a "$a_range" --b 1:5000 --format none --summary --threads "$threads" --quiet
  none_rate[$threads]=$(rate "$pairs" "$median_s")
  none_cpu_rate[$threads]=$(rate "$pairs" "$cpu_s")
  none_rss[$threads]=$peak_kib
  printf '%-10s %10s %14s %14s %10s %16s\n' "$threads" "$median_s" "${none_rate[$threads]}" \
    "$peak_kib" "$cpu_s" "${none_cpu_rate[$threads]}"
done
echo "large coefficients: velrin scan --a -2147483648:-2147483647 --b 1:3000 --format jsonl, 1 thread"
time_runs "$velrin" scan --a -2147483648:-2147483647 --b 1:3000 --format jsonl --threads 1 --quiet
large_rss=$peak_kib
printf '%-10s %10s %14s %14s %10s %16s\n' 1 "$median_s" "$(rate 6000 "$median_s")" "$peak_kib" \
  "$cpu_s" "$(rate 6000 "$cpu_s")"

echo
echo "== (b) velrin batch --format jsonl --threads 1 on $batch_pairs random pairs, |A| <= 3000, |B| <= 10^6, $runs runs"
awk -v n="$batch_pairs" 'BEGIN {
  srand(20261209)
  for (i = 0; i < n; ++i) {
    a = int(rand() * 6001) - 3000
    do { b = int(rand() * 2000001) - 1000000 } while (b == 0)
    printf "%d %d\n", a, b
  }
}' >"$work/pairs.txt"
time_runs "$velrin" batch "$work/pairs.txt" --format jsonl --threads 1 --quiet
batch_rate=$(rate "$batch_pairs" "$median_s")
batch_rss=$peak_kib
printf '%-34s %s s, %s curves/s, peak RSS %s KiB, %s CPU-s\n' "median wall time" "$median_s" \
  "$batch_rate" "$peak_kib" "$cpu_s"

echo
echo "== (c) the dialogue: a piped session of 100,000 curves, $runs runs"
awk 'BEGIN {
  n = 0
  for (a = -100; a <= 100 && n < 100000; ++a)
    for (b = 1; b <= 500 && n < 100000; ++b) {
      ++n
      printf "%d\n%d\n%s\n", a, b, (n == 100000 ? "y" : "n")
    }
}' >"$work/session.txt"
times=()
for ((run = 1; run <= runs; ++run)); do
  start=$(date +%s%N)
  "$velrin" <"$work/session.txt" >/dev/null
  end=$(date +%s%N)
  times+=($((end - start)))
done
session_s=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p" |
  awk '{ printf "%.3f", $1 / 1e9 }')
printf '%-34s %s s, %s curves/s\n' "median wall time" "$session_s" "$(rate 100000 "$session_s")"

echo
echo "== (d) analysis against record writing, in-process, one thread"
"$build/bench/velrin_record_bench"

echo
echo "== Targets"
# On a shared machine the wall times stretch with the load; the rates per
# CPU-second (gp's wall time is its CPU time) show what the runs cost.
printf 'per CPU-second: summary only %s x gp, jsonl %s x gp (load average now %s)\n' \
  "$(awk -v r="${none_cpu_rate[1]}" -v g="$gp_rate" 'BEGIN { printf "%.1f", r / g }')" \
  "$(awk -v r="$pairs" -v c="$scan_cpu_1" -v g="$gp_rate" 'BEGIN { printf "%.1f", r / c / g }')" \
  "$(cut -d' ' -f1-3 /proc/loadavg)"
check "scan, 2 threads: >= 1,000,000 curves/s (${scan_rate[2]})" \
  "$(awk -v r="${scan_rate[2]}" 'BEGIN { print (r >= 1000000) }')"
check "scan, 1 thread: >= 550,000 curves/s (${scan_rate[1]})" \
  "$(awk -v r="${scan_rate[1]}" 'BEGIN { print (r >= 550000) }')"
check "scan: peak RSS under 32 MiB (${scan_rss[1]}, ${scan_rss[2]} KiB)" \
  "$(((scan_rss[1] < 32768) && (scan_rss[2] < 32768)))"
check "summary only, 1 thread: >= 25 x gp (${none_rate[1]} vs $gp_rate)" \
  "$(awk -v r="${none_rate[1]}" -v g="$gp_rate" 'BEGIN { print (r >= 25 * g) }')"
check "summary only, 2 threads: >= 1.8 x 1 thread (${none_rate[2]})" \
  "$(awk -v r="${none_rate[2]}" -v o="${none_rate[1]}" 'BEGIN { print (r >= 1.8 * o) }')"
check "jsonl, 1 thread: >= 12 x gp (${scan_rate[1]} vs $gp_rate)" \
  "$(awk -v r="${scan_rate[1]}" -v g="$gp_rate" 'BEGIN { print (r >= 12 * g) }')"
check "peak RSS under 32 MiB (summary ${none_rss[1]}, ${none_rss[2]}; large $large_rss KiB)" \
  "$(((none_rss[1] < 32768) && (none_rss[2] < 32768) && (large_rss < 32768)))"
check "batch, 1 thread: >= 300,000 curves/s ($batch_rate)" \
  "$(awk -v r="$batch_rate" 'BEGIN { print (r >= 300000) }')"
exit "$status"
