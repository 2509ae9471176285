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

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "bootstrap: done"
