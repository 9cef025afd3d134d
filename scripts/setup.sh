#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, once.
# Idempotent: when every package is already there it does nothing at all.
set -euo pipefail

packages=(
  cmake make g++ g++-multilib
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386
  googletest nlohmann-json3-dev libcli11-dev libfmt-dev
  clang-14 libclang-rt-14-dev lld-14
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]}" >&2
  echo "setup: run 'make test' as root once, or install them with apt-get." >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
