#!/usr/bin/env bash
# Installs what one kind of work needs on a Debian machine, and only what is
# missing, so it is cheap to run again:
#   scripts/install-deps.sh build   cross compilers, CMake, Ninja, osslsigncode
#   scripts/install-deps.sh run     build, and Wine, Xvfb, fonts, the Japanese locale
#   scripts/install-deps.sh test    run, and the native tests, sanitizers, fuzzers
set -euo pipefail
cd "$(dirname "$0")/.."

build=(cmake ninja-build python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 osslsigncode)
run=(binutils wine wine64 xvfb xauth x11-apps imagemagick fonts-ipafont-gothic fonts-droid-fallback locales)
native=(g++ libgtest-dev python3-pytest clang libclang-rt-14-dev faketime openssl bsdutils util-linux time)

case "${1:-test}" in
  build) packages=("${build[@]}") ;;
  run) packages=("${build[@]}" "${run[@]}") ;;
  test) packages=("${build[@]}" "${run[@]}" "${native[@]}") ;;
  *) echo "usage: $0 build|run|test" >&2; exit 2 ;;
esac

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

updated=""
# A mirror in the middle of a sync can fail one index (seen: bookworm-security
# for i386). The others are fetched and usable, so one retry, then go on.
update_indexes() {
  [ -z "$updated" ] || return 0
  updated=1
  $sudo apt-get update -q && return 0
  echo "apt-get update failed; retrying once"
  sleep 10
  $sudo apt-get update -q && return 0
  echo "apt-get update failed again; going on with the indexes that were fetched"
}

# Installs the missing ones of the packages named. Should the newest versions
# of one architecture come from an index the other lacks, apt refuses to mix
# them ("held broken packages"); the release's own versions then match.
install_missing() {
  local missing=() p
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  update_indexes
  $sudo apt-get install -y -q "${missing[@]}" && return 0
  local release
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "Installing again with the versions of $release itself (-t $release)"
  $sudo apt-get install -y -q -t "$release" "${missing[@]}" || true
  missing=()
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Could not install: ${missing[*]}" >&2
    exit 1
  fi
}

if [ "${1:-test}" != build ]; then
  # The decision needs an assembler and a linker, and must come before Wine:
  # wine32 goes in with wine and wine64, from the same index.
  command -v as >/dev/null && command -v ld >/dev/null || install_missing binutils
  if [[ " $(scripts/wine-arches.sh) " == *" i686 "* ]]; then
    dpkg --print-foreign-architectures | grep -qx i386 || { $sudo dpkg --add-architecture i386; updated=""; }
    packages+=(wine32:i386)
  else
    echo "This kernel runs no 32-bit code: wine32:i386 is not installed, and only the x86_64 program runs under Wine."
    # Debian's wine command would take wine32 wherever it is installed, and fail.
    if installed wine32:i386; then $sudo apt-get remove -y -q wine32:i386; fi
  fi
fi
install_missing "${packages[@]}"

# Wine takes the Japanese ANSI code page from the glibc locale.
if [ "${1:-test}" != build ] && ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen
fi
