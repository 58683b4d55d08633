#!/usr/bin/env bash
# Checks that `velrin --classic` reproduces an earlier build of the original
# program byte for byte: builds revision REV (default 6d2f94d, the last one
# before the true rules) in a temporary worktree, feeds both programs the
# same dialogue of COUNT curves (default 20,000: a fifth each of |A|, |B| <=
# 40; |A| <= 3000, |B| <= 10^6; 3 | A with 27 | B; the whole 32-bit range;
# |A| <= 10^6, |B| <= 10^4) and compares the two transcripts.
#
# Usage: tools/compare_classic.sh [REV] [COUNT]   (from a configured ./build)
# Exit status 1 when the transcripts differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rev=${1:-6d2f94d}
count=${2:-20000}
work=$(mktemp -d)
trap 'git -C "$root" worktree remove --force "$work/old" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

git -C "$root" worktree add --detach "$work/old" "$rev" >/dev/null
cmake -S "$work/old" -B "$work/old/build" -DVELRIN_BUILD_TESTS=OFF -DVELRIN_BUILD_BENCH=OFF >/dev/null
cmake --build "$work/old/build" -j2 --target velrin >/dev/null
cmake --build "$root/build" -j2 --target velrin >/dev/null

awk -v n="$count" 'BEGIN {
  srand(20261209)
  for (i = 0; i < n; ++i) {
    k = i % 5
    if (k == 0) { a = int(rand() * 81) - 40; b = int(rand() * 81) - 40 }
    else if (k == 1) { a = int(rand() * 6001) - 3000; b = int(rand() * 2000001) - 1000000 }
    else if (k == 2) { a = 3 * (int(rand() * 2001) - 1000); b = 27 * (int(rand() * 80001) - 40000) }
    else if (k == 3) { a = int(rand() * 4294967296) - 2147483648; b = int(rand() * 4294967296) - 2147483648 }
    else { a = int(rand() * 2000001) - 1000000; b = int(rand() * 20001) - 10000 }
    printf "%d\n%d\n%s\n", a, b, (i == n - 1 ? "y" : "n")
  }
}' >"$work/session.in"

git -C "$work/old" log --oneline -1
"$work/old/build/velrin" <"$work/session.in" >"$work/old.out"
"$root/build/velrin" --classic <"$work/session.in" >"$work/new.out"
reports=$(grep -c '^\[1\]' "$work/old.out" || true)
if cmp -s "$work/old.out" "$work/new.out"; then
  echo "velrin --classic and $rev agree byte for byte on $count curves ($reports reports, $(wc -c <"$work/old.out") bytes)"
else
  echo "velrin --classic and $rev differ:"
  diff "$work/old.out" "$work/new.out" | head -40
  exit 1
fi
