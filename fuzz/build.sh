#!/usr/bin/env bash
# Builds the libFuzzer target fuzz/build/dialogue_fuzzer through the
# project's CMake build (VELRIN_FUZZ), with AddressSanitizer and
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

# The target comes from the project's own CMake build, so that it sees the
# same sources, definitions and libraries as the program.
mkdir -p "$out"
cmake -S "$root" -B "$out/cmake" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DVELRIN_FUZZ=ON -DVELRIN_SANITIZE=ON \
  -DVELRIN_BUILD_TESTS=OFF -DVELRIN_BUILD_BENCH=OFF >/dev/null
cmake --build "$out/cmake" -j2 --target dialogue_fuzzer >/dev/null
cp "$out/cmake/fuzz/dialogue_fuzzer" "$out/dialogue_fuzzer"
echo "built $out/dialogue_fuzzer"
