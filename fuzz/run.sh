#!/usr/bin/env bash
# Usage: fuzz/run.sh SECONDS [extra libFuzzer flags]
# Builds the target, then fuzzes for SECONDS on a fresh copy of the seed
# corpus (fuzz/corpus/ itself is never written). A crash, an invariant
# violation (abort) or a hang past 10 s fails the run and leaves the input
# as fuzz/build/artifacts/crash-* (or timeout-*, oom-*).
set -euo pipefail
seconds="${1:?usage: fuzz/run.sh SECONDS [libFuzzer flags]}"
shift
here="$(cd "$(dirname "$0")" && pwd)"
bash "$here/build.sh"
work="$(mktemp -d "${TMPDIR:-/tmp}/velrin-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp -r "$here/corpus" "$work/corpus"
mkdir -p "$here/build/artifacts"
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
  "$here/build/dialogue_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=4096 -dict="$here/dialogue.dict" -print_final_stats=1 -artifact_prefix="$here/build/artifacts/" \
  "$@" "$work/corpus"
