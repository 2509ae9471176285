#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and this machine
# lacks. Safe to run again: it prints what it installs and says nothing when all is there.
# With "pictures", also what the demo and the screenshots need (ImageMagick, Wine's fonts).
# Usage: scripts/bootstrap.sh [pictures]
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix
  gcc-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64
  libz-mingw-w64-dev
  wine
  wine64
  xvfb
  xauth
  googletest
  cmake
  ninja-build
  python3
  file
)
if [ "${1:-}" = pictures ]; then
  packages+=(imagemagick fonts-wine)
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
# 32-bit Wine runs the tests of the shipped i686 build. A machine whose apt cannot resolve
# it still builds both and tests the x64 build; run-tests.sh says so.
wine32=wine32:i386
installed "$wine32" || wine32_missing=1
[ ${#missing[@]} -eq 0 ] && [ -z "${wine32_missing:-}" ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ -n "${wine32_missing:-}" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ -n "${wine32_missing:-}" ]; then
  echo "bootstrap: installing $wine32"
  $sudo apt-get install -y -qq --no-install-recommends "$wine32" >/dev/null 2>&1 ||
    echo "bootstrap: $wine32 cannot be installed here; the i686 test programs will not run"
fi
echo "bootstrap: done"
