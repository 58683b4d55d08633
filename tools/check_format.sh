#!/usr/bin/env bash
# Checks that every tracked C++ file (*.cpp, *.hpp) is formatted as
# .clang-format says; prints the offending places and fails otherwise.
# Usage: tools/check_format.sh [clang-format binary]
set -euo pipefail
cd "$(dirname "$0")/.."
format="${1:-${CLANG_FORMAT:-clang-format}}"
if ! command -v "$format" >/dev/null; then
  echo "check_format: installing clang-format" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq clang-format >/dev/null
fi
mapfile -t files < <(git ls-files -- '*.cpp' '*.hpp')
if [ "${#files[@]}" -eq 0 ]; then
  echo "check_format: no tracked C++ files" >&2
  exit 1
fi
if "$format" --dry-run -Werror "${files[@]}"; then
  echo "check_format: ${#files[@]} files formatted"
else
  echo "check_format: run '$format -i' on the files above" >&2
  exit 1
fi
