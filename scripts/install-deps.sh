#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine; installs only
# what is missing, so it is cheap to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev python3 python3-pytest
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64 wine32:i386 xvfb xauth x11-apps imagemagick fonts-ipafont-gothic fonts-droid-fallback locales
  clang libclang-rt-14-dev
  faketime osslsigncode openssl
  bsdutils util-linux time
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi

# Wine takes the Japanese ANSI code page from the glibc locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen
fi
