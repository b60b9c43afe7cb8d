#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages this project needs and the machine lacks.
# Does nothing when all of them are present. Works as root, or through sudo otherwise.
set -euo pipefail

# libtsan2 is the ThreadSanitizer runtime of `make test-tsan`; g++ pulls it in
# already (through libgcc-12-dev), named here so that it stays so.
# libkf5archive-dev reads compressed logs; libqt5sql5-sqlite is the store of
# `mirtlog index`, which binds its rows through SQLite's own interface
# (libsqlite3-dev).
packages=(cmake make g++ libtsan2 qtbase5-dev qtbase5-private-dev libkf5archive-dev libqt5sql5-sqlite libsqlite3-dev
          xvfb xauth
          fonts-dejavu-core)
if [ "${MIRT_FUZZ_DEPS:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
