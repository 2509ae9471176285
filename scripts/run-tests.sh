#!/usr/bin/env bash
# Runs every test of a build folder (x64 or i686) under Wine, inside one Xvfb server started
# and stopped here. Quiet on success; prints the output of failing tests and CTest's summary.
# Usage: scripts/run-tests.sh <build-folder> [extra ctest arguments...]
set -u
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:?usage: run-tests.sh <build-folder>}" && pwd)
shift

export WINEPREFIX=${WINEPREFIX:-$top/build/wineprefix}
export WINEDEBUG=-all

source "$top/scripts/xvfb.sh"
start_xvfb 1280x1024

cleanup() {
  wineserver -k >/dev/null 2>&1
  stop_xvfb
}
trap cleanup EXIT

# Make the prefix (the first start of Wine takes a while) before any test is timed. Wine
# is not held up between suites by an idle program: a program that a test starts through
# the shell (and the console host that comes with it) would then live on with CTest's
# output pipe and keep the run waiting. Tests that start programs allow for a cold Wine
# instead: they assert no upper bound on time.
"$top/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1

# The shipped 32-bit build needs 32-bit Wine; without it only the checks of its files run.
if file "$build/app/Update.exe" | grep -q 'PE32 ' &&
  ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  echo "run-tests: package wine32:i386 is not installed: the $(basename "$build") test programs are not run"
  set -- -LE wine "$@"
fi

cd "$build" && ctest --output-on-failure --timeout 600 "$@"
