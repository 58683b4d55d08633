#!/usr/bin/env bash
# Installs the Debian packages that Velrin's build, tests and benchmarks
# need, those that are missing only; does nothing (and needs no network) when
# all are there. Run as root, or as a user who may use sudo. README's Quick
# start and .ci/run both call it, so the list below is the only one.
set -euo pipefail

# One package a line; add new ones here.
packages=(
  cmake              # the build
  g++                # g++ 12, C++20
  libpari-dev        # the PARI library: factors the wide composites
  libgmp-dev         # GMP with its C++ classes: exact checks of the rank search's points
  libcli11-dev       # CLI11, header only: parses the command line
  libzstd-dev        # zstd: --output FILE.zst in independent frames, and summarize's .zst
  libgtest-dev       # GoogleTest: the test suite
  nlohmann-json3-dev # nlohmann-json, header only: the tests read records back
  libbenchmark-dev   # Google Benchmark: build/bench/velrin_bench
  pari-gp            # gp: the live oracle test computes curves on the spot
  pari-elldata       # Cremona's tables of curves: labels such as 14a1, for gp and velrin
  jq                 # the tests read records back with jq
  python3-pandas     # the tests read records back with pandas (Debian's /usr/bin/python3)
  pybind11-dev       # pybind11, header only: the Python module velrin (python/)
  python3-dev        # Python's headers, for that module, built for Debian's /usr/bin/python3
  zstd               # the zstd command: the tests decompress .zst outputs with it
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install_deps.sh: ${missing[*]} missing; run this as root (there is no sudo)" >&2
  exit 1
fi

echo "install_deps.sh: installing ${missing[*]}" >&2
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null >/dev/null
