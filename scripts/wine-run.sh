#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix (never ~/.wine), quietly.
# Usage: scripts/wine-run.sh program.exe [arguments...]
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$top/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# A prefix belongs to the Wine installation that made it: one made before 32-bit Wine was
# added starts no program at all afterwards ("could not load kernel32.dll"). The stamp
# holds Wine's version and the architectures it can run; when it differs, the prefix is
# made again.
installation="$(wine --version 2>/dev/null) $(ls -d /usr/lib/wine/*-windows /usr/lib/*/wine/*-unix \
  /usr/lib/*/wine/*-windows 2>/dev/null | sort | tr '\n' ' ')"
stamp=$WINEPREFIX/.installation
if [ -f "$WINEPREFIX/system.reg" ] && [ "$(cat "$stamp" 2>/dev/null)" != "$installation" ]; then
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver -w
  printf '%s' "$installation" >"$stamp"
fi
exec wine "$@"
