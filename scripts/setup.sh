#!/usr/bin/env bash
# Installs what building and testing shrotl needs, on a Debian machine.
# As root it runs apt-get itself; otherwise it prints the command to run.
set -euo pipefail

packages=(cmake ninja-build g++ g++-multilib pkgconf libicu-dev libgtest-dev libgmock-dev
          libbenchmark-dev libcli11-dev libcsv-dev nlohmann-json3-dev clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
else
  echo "shrotl needs these packages; run as root:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
