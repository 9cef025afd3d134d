#!/usr/bin/env bash
# Installing Debian packages in a way that survives a package mirror caught
# mid-sync.  Sourced by setup.sh and enable-i386.sh; defines:
#
#   apt_packages_missing PACKAGE...   prints the ones not installed
#   apt_packages_install WHAT PACKAGE...
#                                     installs them (as root), or explains in
#                                     one paragraph why it could not and
#                                     returns non-zero; WHAT names the job
#                                     ("make demo", "make test") in that text
#
# Why the care: a mirror that is updating one architecture's index serves a
# Packages file whose size no longer matches its Release file.  apt-get update
# then exits 100 with the index missing, and the i386 packages (wine32 and the
# 32-bit libraries) can no longer be installed beside the amd64 ones, whose
# newer versions come from the index that did download: Multi-Arch "same"
# packages must have one version on both architectures.  A moment later the
# mirror is whole again.  So the update is retried; when an index still
# fails, the install is tried all the same, and if it then fails, once more
# with the suite whose index failed taken as a last resort (pinned low) and
# every package whose two architectures disagree asked for at the version the
# other architecture can have.

apt_update_tries=3
apt_update_pause_seconds=${APT_UPDATE_PAUSE_SECONDS:-20}

apt_say() { echo "setup: $*" >&2; }

apt_packages_missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# Runs apt-get update up to apt_update_tries times; leaves the indexes that
# still failed, one URL a line, in apt_failed_indexes.
apt_failed_indexes=""
apt_update_with_retries() {
  local try log
  log=$(mktemp)
  for ((try = 1; try <= apt_update_tries; try++)); do
    if apt-get update -q >"$log" 2>&1; then
      apt_failed_indexes=""
      rm -f "$log"
      return 0
    fi
    apt_failed_indexes=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$log")
    if [ "$try" -lt "$apt_update_tries" ]; then
      apt_say "apt-get update failed (try $try of $apt_update_tries); trying again in ${apt_update_pause_seconds} s"
      sleep "$apt_update_pause_seconds"
    fi
  done
  [ -n "$apt_failed_indexes" ] || apt_failed_indexes=$(grep -E '^(E|Err):' "$log" | head -n 3)
  apt_say "apt-get update still fails after $apt_update_tries tries; going on with the indexes that did download"
  rm -f "$log"
  return 1
}

# The suites (Release codenames such as bookworm-security) of the failed indexes.
apt_failed_suites() {
  printf '%s\n' "$apt_failed_indexes" | sed -n 's|.*/dists/\([^/]*\)/.*|\1|p' | sort -u
}

# Packages (NAME:ARCH) that apt's last refusal says it cannot install.
apt_blocked_packages() {
  sed -n 's/.*Depends: \([^ ]*:[a-z0-9]*\) .*but it is not going to be installed.*/\1/p' "$1" | sort -u
}

apt_packages_install() {
  local what=$1
  shift
  local missing
  mapfile -t missing < <(apt_packages_missing "$@")
  [ ${#missing[@]} -gt 0 ] || return 0
  if [ "$(id -u)" -ne 0 ]; then
    apt_say "missing packages: ${missing[*]}"
    apt_say "run '$what' as root once, or install them with apt-get."
    return 1
  fi
  apt_say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt_update_with_retries || true
  local log
  log=$(mktemp)
  if apt-get install -y -q --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi

  # The fallback: the failed suites pinned low, the architectures aligned.
  local suites pins request=("${missing[@]}") round blocked name version
  suites=$(apt_failed_suites)
  pins=$(mktemp -d)
  [ -n "$suites" ] || round=6
  for suite in $suites; do
    printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n' "$suite" >"$pins/last-resort-$suite.pref"
  done
  local apt_options=(-o "Dir::Etc::PreferencesParts=$pins" --allow-downgrades)
  for ((round = ${round:-1}; round <= 5; round++)); do
    if apt-get install -s -q --no-install-recommends "${apt_options[@]}" "${request[@]}" >"$log" 2>&1; then
      break
    fi
    mapfile -t blocked < <(apt_blocked_packages "$log")
    [ ${#blocked[@]} -gt 0 ] || break
    local added=0
    for name in "${blocked[@]}"; do
      version=$(apt-cache "${apt_options[@]:0:2}" policy "$name" 2>/dev/null | sed -n 's/^ *Candidate: //p')
      [ -n "$version" ] && [ "$version" != "(none)" ] || continue
      case " ${request[*]} " in *" ${name%%:*}=$version "*) continue ;; esac
      request+=("${name%%:*}=$version" "$name=$version")
      added=1
    done
    [ "$added" -eq 1 ] || break
  done
  if [ -n "$suites" ] && apt-get install -y -q --no-install-recommends "${apt_options[@]}" "${request[@]}" >"$log" 2>&1; then
    apt_say "installed with the packages of $(echo $suites) held back to what every architecture can have"
    rm -rf "$log" "$pins"
    return 0
  fi

  local reasons
  reasons=$(grep -E '^ *[^ ]+ : (Depends|Conflicts|Breaks)|^E: ' "$log" | head -n 6 | sed 's/^ */  /')
  rm -rf "$log" "$pins"
  {
    echo
    echo "setup: '$what' needs Debian packages that cannot be had right now: ${missing[*]}."
    if [ -n "$apt_failed_indexes" ]; then
      echo "The package index that failed to download, even after $apt_update_tries tries:"
      printf '  %s\n' $apt_failed_indexes
      echo "This usually means the mirror is part-way through an update (sizes that do not match"
      echo "its Release file); it fixes itself within hours."
    fi
    echo "What apt said:"
    echo "$reasons"
    echo "Try again later, point /etc/apt/sources.list at another Debian mirror, or run"
    echo "'make demo', which needs only the x86-64 packages."
    echo
  } >&2
  return 1
}
