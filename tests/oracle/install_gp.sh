#!/usr/bin/env bash
# Installs PARI/GP from Debian, the independent oracle for the bad primes,
# Kodaira symbols and rank bounds that Velrin reports. Safe to run twice.
set -euo pipefail

if command -v gp >/dev/null 2>&1; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
else
  sudo_cmd=()
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends pari-gp >/dev/null

command -v gp >/dev/null 2>&1
