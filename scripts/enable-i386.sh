#!/usr/bin/env bash
# Makes this machine able to run 32-bit x86 programs: i386 Linux ELF files
# and, through wine32, 32-bit Windows console programs.
#
#   bash scripts/enable-i386.sh        (or: source it, then call enable_i386)
#
# Idempotent: when everything is in place it changes nothing (and needs no
# root); otherwise it must run as root.  What it ensures:
#   1. packages wine, wine32:i386, libgcc-s1:i386 (i386 architecture enabled);
#   2. if the kernel cannot execute i386 ELF files itself ("Exec format
#      error", a kernel without IA-32 emulation), they are handed to
#      qemu-i386 through binfmt_misc (mounted if needed), with qemu >= 9.
#
# Why qemu >= 9: qemu 7.2 (Debian 12's own) treats MAP_FIXED_NOREPLACE as a
# mere hint, so wine's start-up address-space reservation degenerates into
# ~30,000 failing mmap calls, each scanning qemu's page table: ~50 s of CPU
# for every wine process, several minutes per `wine prog.exe`.  On Debian 12
# a new enough qemu-user-static comes from bookworm-backports.

# shellcheck source=apt_packages.sh
. "$(dirname "${BASH_SOURCE[0]}")/apt_packages.sh"

enable_i386() (
  set -euo pipefail

  local probe=/usr/lib/wine/wine          # an i386 ELF file shipped by wine32:i386
  local entry_name=qemu-i386
  local binfmt_dir=/proc/sys/fs/binfmt_misc
  local min_qemu=9
  local apt_updated=0

  say() { echo "enable-i386: $*" >&2; }
  die() { say "error: $*"; exit 1; }
  need_root() {
    [ "$(id -u)" -eq 0 ] || die "must run as root to $*"
  }
  installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
  }
  apt_update() {
    if [ "$apt_updated" -eq 0 ]; then
      apt_update_with_retries || true
      apt_updated=1
    fi
  }
  # Packages of the default release go through the shared installer, which
  # copes with a mirror caught mid-sync; a package from another release
  # (-t RELEASE NAME) is asked for directly.
  apt_install() {
    need_root "install $*"
    if [ "$1" != -t ]; then
      apt_packages_install "make test" "$@" || exit 1
      return
    fi
    apt_update
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" >&2
  }
  # Major version of the qemu that binfmt_misc runs for i386 programs, or
  # empty when they run natively (QEMU_VERSION makes qemu print and exit).
  interpreter_qemu_major() {
    { QEMU_VERSION=1 "$probe" --version 2>/dev/null || true; } |
      sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p' | head -n 1
  }
  host_qemu_major() {
    local q
    for q in /usr/bin/qemu-i386-static /usr/bin/qemu-i386; do
      if [ -x "$q" ]; then
        { "$q" -version 2>/dev/null || true; } |
          sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p' | head -n 1
        return
      fi
    done
  }
  qemu_path() {
    if [ -e /usr/bin/qemu-i386-static ]; then
      echo /usr/bin/qemu-i386-static
    else
      echo /usr/bin/qemu-i386
    fi
  }

  # --- 1. packages --------------------------------------------------------
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    need_root "enable the i386 architecture"
    say "adding the i386 architecture"
    dpkg --add-architecture i386
  fi
  local missing=() p
  for p in wine wine32:i386 libgcc-s1:i386; do
    installed "$p" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    apt_install "${missing[@]}"
  fi
  [ -x "$probe" ] || die "$probe missing after installing wine32:i386"

  # --- 2. can i386 programs run, and well enough for wine? ----------------
  local major
  major=$(interpreter_qemu_major)
  if [ -z "$major" ] && "$probe" --version >/dev/null 2>&1; then
    return 0                               # native i386 execution works
  fi
  if [ -n "$major" ] && [ "$major" -ge "$min_qemu" ]; then
    return 0                               # already handed to a good qemu
  fi

  # --- 3. a qemu-i386 new enough ------------------------------------------
  local host_major
  host_major=$(host_qemu_major)
  if [ -z "$host_major" ] || [ "$host_major" -lt "$min_qemu" ]; then
    local codename target=()
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    if [ "$codename" = bookworm ]; then
      local list=/etc/apt/sources.list.d/bookworm-backports.list
      if ! apt-get indextargets --format '$(RELEASE)' 2>/dev/null |
           grep -qx bookworm-backports; then
        need_root "add bookworm-backports to apt's sources"
        local uri
        uri=$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 2>/dev/null |
              awk '$1 == "bookworm" { print $2; exit }')
        [ -n "$uri" ] || die "no apt source for bookworm found"
        say "adding bookworm-backports ($uri) to apt's sources"
        echo "deb $uri bookworm-backports main" > "$list"
        apt_updated=0
      fi
      target=(-t bookworm-backports)
    fi
    say "installing qemu-user-static >= $min_qemu"
    apt_install "${target[@]}" qemu-user-static
    host_major=$(host_qemu_major)
    if [ -z "$host_major" ] || [ "$host_major" -lt "$min_qemu" ]; then
      die "qemu-i386 ${host_major:-missing} is older than $min_qemu"
    fi
  fi

  # --- 4. binfmt_misc registration ----------------------------------------
  need_root "register qemu-i386 with binfmt_misc"
  if [ ! -e "$binfmt_dir/register" ]; then
    say "mounting binfmt_misc"
    mount -t binfmt_misc binfmt_misc "$binfmt_dir"
  fi
  if [ -e "$binfmt_dir/$entry_name" ]; then
    # An old qemu or a disabled entry: the 'F' flag keeps the file that was
    # open at registration time, so only a new registration picks up the
    # upgraded qemu.
    say "removing the stale $entry_name binfmt entry"
    echo -1 > "$binfmt_dir/$entry_name"
  fi
  say "registering $(qemu_path) for i386 ELF files"
  printf '%s' ":$entry_name:M::"'\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'":$(qemu_path):F" \
    > "$binfmt_dir/register"

  major=$(interpreter_qemu_major)
  if [ -z "$major" ] || [ "$major" -lt "$min_qemu" ] ||
     ! "$probe" --version >/dev/null 2>&1; then
    die "i386 programs still do not run through qemu >= $min_qemu"
  fi
  say "i386 programs now run through qemu-i386 $major"
)

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  enable_i386 "$@"
fi
