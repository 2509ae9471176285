#!/usr/bin/env bash
# Runs every test of a build folder under Wine, inside one Xvfb server started and
# stopped here. Quiet on success; prints the output of failing tests and CTest's summary.
# Usage: scripts/run-tests.sh <build-folder> [extra ctest arguments...]
set -u
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:?usage: run-tests.sh <build-folder>}" && pwd)
shift

export WINEPREFIX=${WINEPREFIX:-$top/build/wineprefix}
export WINEDEBUG=-all

# A free display number: the lowest without a lock file.
display=90
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
  display=$((display + 1))
done
Xvfb ":${display}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":${display}"

scratch=$(mktemp -d)
keeper_pid=
cleanup() {
  exec 9>&- 2>/dev/null  # the keeping console reads the end of its input and leaves
  [ -n "$keeper_pid" ] && wait "$keeper_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  kill "$xvfb_pid" >/dev/null 2>&1
  wait "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# Wait for the server's socket rather than sleeping a fixed time.
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X${display}" ] && break
  sleep 0.05
done

# Make the prefix (the first start of Wine takes a while) before any test is timed.
"$top/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1

# Wine's server and services stop a moment after the last Wine program ends, so every suite
# would start them cold, and its first child processes would race their start-up (on a
# fresh machine a first scan of the running programs took 1.6 s, and a helper could
# vanish without a word). One idle console, kept open for the whole run, holds them up;
# the tests begin once it has answered.
mkfifo "$scratch/keeper-in"
"$top/scripts/wine-run.sh" cmd <"$scratch/keeper-in" >/dev/null 2>&1 &
keeper_pid=$!
exec 9>"$scratch/keeper-in"
echo "echo ready>Z:${scratch//\//\\}\\ready" >&9
for _ in $(seq 1200); do
  [ -e "$scratch/ready" ] && break
  sleep 0.05
done
[ -e "$scratch/ready" ] || echo "warning: Wine's console did not answer; tests run without it" >&2

cd "$build" && ctest --output-on-failure --timeout 600 "$@"
