#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, once.
# Idempotent: when every package is there and 32-bit programs run, it does
# nothing at all.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

packages=(
  cmake make g++ g++-multilib
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386
  googletest nlohmann-json3-dev libcli11-dev libfmt-dev
  libgeographiclib-dev zlib1g-dev
  # The 32-bit tool reads field files too.  Debian's libgeographiclib-dev
  # cannot be installed for two architectures at once (its CMake module
  # clashes), so the 32-bit build takes the runtime library and the
  # (identical) headers of the 64-bit -dev package.
  libgeographiclib23:i386 zlib1g-dev:i386
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
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
fi

# The i386 and Windows tests need 32-bit programs to run; on a kernel that
# cannot execute them itself they go through qemu (a no-op when all is set).
bash "$here/enable-i386.sh"
