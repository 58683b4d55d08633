#!/usr/bin/env bash
# Checks that no layer reaches upward: arith <- curve <- descent <- render
# <- dialogue <- cli. Two checks, since an include can hide behind a header and a call
# can come from an inline function:
#   - no source of a layer includes a header of a layer above it;
#   - no library of a layer leaves undefined a symbol that only a library of
#     a layer above it defines (the static libraries of a build).
# Usage: tools/check_layers.sh SOURCE_DIR [BUILD_DIR]
set -euo pipefail

src=${1:?usage: check_layers.sh SOURCE_DIR [BUILD_DIR]}/src
build=${2:-}
layers=(arith curve descent render dialogue cli)
status=0

for ((i = 0; i < ${#layers[@]}; i++)); do
  layer=${layers[i]}
  for ((j = i + 1; j < ${#layers[@]}; j++)); do
    above=${layers[j]}
    if hits=$(grep -n "#include \"$above/" "$src/$layer"/*.hpp "$src/$layer"/*.cpp); then
      echo "check_layers: $layer includes $above:" >&2
      echo "$hits" >&2
      status=1
    fi
  done
done

[ -n "$build" ] || exit "$status"

defined() { nm --defined-only -g "$1" 2>/dev/null | awk 'NF == 3 { print $3 }' | sort -u; }
undefined() { nm -u -g "$1" 2>/dev/null | awk '{ print $NF }' | sort -u; }
library() { find "$build" -name "libvelrin_$1.a" -print -quit; }

for ((i = 0; i < ${#layers[@]}; i++)); do
  layer=${layers[i]}
  lib=$(library "$layer")
  if [ -z "$lib" ]; then
    echo "check_layers: no libvelrin_$layer.a under $build" >&2
    exit 1
  fi
  for ((j = i + 1; j < ${#layers[@]}; j++)); do
    above=${layers[j]}
    if hits=$(comm -12 <(undefined "$lib") <(defined "$(library "$above")")) && [ -n "$hits" ]; then
      echo "check_layers: $layer calls into $above:" >&2
      echo "$hits" | c++filt >&2
      status=1
    fi
  done
done
exit "$status"
