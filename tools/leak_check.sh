#!/usr/bin/env bash
# Runs the built program under valgrind over a session of a few hundred
# passes (singular curves, many bad primes, out-of-range coefficients, too
# large curves, primes beyond the table, retried answers, an overlong line)
# and fails on any leaked, still reachable or wrongly used byte.
# Usage: tools/leak_check.sh [path/to/velrin]   (default: build/velrin)
set -euo pipefail
cd "$(dirname "$0")/.."
binary="${1:-build/velrin}"
if [ ! -x "$binary" ]; then
  echo "leak_check: no program at $binary; build it first" >&2
  exit 1
fi
if ! command -v valgrind >/dev/null; then
  echo "leak_check: installing valgrind" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq valgrind >/dev/null
fi

passes=(
  '0\n0\n'                         # singular
  '1\n9699690\n'                   # eight bad primes
  '-1\n223092870\n'                # nine bad primes
  '2147483648\n7\n-5\n'            # out of range, asked again
  '2147483647\n1\n'                # too large for 64 bits
  '611951\n1\n'                    # a prime factor beyond the table
  '-4755\n-21449296\nmaybe\n'      # negative coefficients, answer retried
  '9\n3\n'                         # additive reduction at 3
  '1\n1\n'                         # two bad primes
)
input="$(mktemp "${TMPDIR:-/tmp}/velrin-leak.XXXXXX")"
trap 'rm -f "$input"' EXIT
{
  for round in $(seq 1 40); do
    for pass in "${passes[@]}"; do printf -- "${pass}n\\n"; done
    if [ "$round" -eq 20 ]; then printf '%0300d\n1\n1\nn\n' 7; fi   # a line split by the buffer
  done
  printf '1\n1\ny\n'
} >"$input"

count="$(grep -c '^n$\|^y$' "$input" || true)"
echo "leak_check: $count passes through $binary under valgrind"
valgrind --quiet --leak-check=full --show-leak-kinds=all --errors-for-leak-kinds=all \
  --error-exitcode=1 "$binary" <"$input" >/dev/null
echo "leak_check: no leaks, no memory errors"
