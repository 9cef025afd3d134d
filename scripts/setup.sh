#!/usr/bin/env bash
# Installs what a job needs on a Debian 12 machine, once.
#
#   bash scripts/setup.sh demo    the x86-64 build of the library and the tool
#   bash scripts/setup.sh test    everything: every configuration, wine, the
#                                 fuzzers, the browser tests (the default)
#
# Idempotent: when every package is there (and, for the tests, 32-bit
# programs run and the browser driver is in place) it does nothing at all.
# The demo asks for no i386 package, so it runs on a machine where the 32-bit
# and Windows tool chains cannot be had.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
job=${1:-test}
# shellcheck source=apt_packages.sh
. "$here/apt_packages.sh"

demo_packages=(
  cmake make g++
  nlohmann-json3-dev libcli11-dev libfmt-dev zlib1g-dev
  # .Z, bzip2, xz and zip field files come through libarchive.
  libarchive-dev
  # Header-only, for every build of the tool: Eigen solves the adjustment's
  # normal equations; Boost gives its quantiles (Boost.Math) and, with the
  # Boost headers libboost-math-dev brings, the XML parser of the GaMa files.
  libeigen3-dev libboost-math-dev
  # `process` runs RTKLIB's rnx2rtkp on the baselines (the demo processes a
  # small real campaign; the tests check the tool against it).
  rtklib
)
test_packages=(
  "${demo_packages[@]}"
  googletest
  g++-multilib
  g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  # The 32-bit tool reads field files too; its zlib and libarchive are the
  # i386 ones (libarchive-dev installs beside the x86-64 one: Multi-Arch: same).
  zlib1g-dev:i386 libarchive-dev:i386
  clang-14 libclang-rt-14-dev
  # GeographicLib checks the tool's geodetic conversion.  Debian's
  # libgeographiclib-dev cannot be installed for two architectures at once
  # (its CMake module clashes), so the 32-bit build takes the runtime library
  # and the (identical) headers of the 64-bit -dev package.
  libgeographiclib-dev
  libgeographiclib23:i386
  # Reports are checked the way a person sees them: GDAL reads the GeoJSON,
  # Debian's Chromium renders the HTML, driven from Node.js.
  gdal-bin chromium nodejs npm
)

case "$job" in
  demo)
    apt_packages_install "make demo" "${demo_packages[@]}"
    ;;
  test)
    # i386 first: wine32 and the 32-bit libraries need the architecture.
    if [ "$(id -u)" -eq 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      apt_say "adding the i386 architecture"
      dpkg --add-architecture i386
    fi
    # Node.js may come from elsewhere than Debian (a newer one): any node and
    # npm on the PATH will do.
    wanted=()
    for p in "${test_packages[@]}"; do
      case "$p" in
        nodejs) command -v node >/dev/null 2>&1 || wanted+=("$p") ;;
        npm) command -v npm >/dev/null 2>&1 || wanted+=("$p") ;;
        *) wanted+=("$p") ;;
      esac
    done
    apt_packages_install "make test" "${wanted[@]}"
    # The i386 and Windows tests need 32-bit programs to run; on a kernel
    # that cannot execute them itself they go through qemu.
    bash "$here/enable-i386.sh"
    # The browser tests' driver, at the versions in its lock file; it drives
    # Debian's Chromium and never downloads a browser.
    browser="$root/tests/browser"
    stamp="$browser/node_modules/.installed-package-lock.json"
    if [ -f "$browser/package-lock.json" ] && ! cmp -s "$browser/package-lock.json" "$stamp"; then
      apt_say "installing the browser tests' driver (npm ci in tests/browser)"
      (cd "$browser" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error) >&2
      cp "$browser/package-lock.json" "$stamp"
    fi
    ;;
  *)
    echo "usage: $0 [demo|test]" >&2
    exit 2
    ;;
esac
