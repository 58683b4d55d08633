#!/usr/bin/env bash
# Builds the libFuzzer target fuzz/build/dialogue_fuzzer straight from the
# sources under src/ (all but main.cpp), with AddressSanitizer and
# UndefinedBehaviorSanitizer. Installs clang 14 and its runtime libraries
# (libFuzzer ships in libclang-rt-14-dev) when they are missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
out="$here/build"

cxx="${CXX_FUZZ:-clang++-14}"
runtime_dir="$(ls -d /usr/lib/llvm-14/lib/clang/*/lib/linux 2>/dev/null | head -n 1 || true)"
if ! command -v "$cxx" >/dev/null || [ -z "$runtime_dir" ] ||
   [ ! -e "$runtime_dir/libclang_rt.fuzzer-x86_64.a" ]; then
  echo "fuzz/build.sh: installing clang-14 and libclang-rt-14-dev" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq clang-14 libclang-rt-14-dev >/dev/null
fi

mkdir -p "$out"
mapfile -t sources < <(find "$root/src" -name '*.cpp' ! -name main.cpp | sort)
"$cxx" -std=c++20 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion \
  -I "$root/src" "${sources[@]}" "$here/dialogue_fuzzer.cpp" -o "$out/dialogue_fuzzer"
echo "built $out/dialogue_fuzzer"
