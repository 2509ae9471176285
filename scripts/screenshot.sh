#!/usr/bin/env bash
# Pictures of Update.exe's two dialogs as a user sees them, framed by a Wine virtual
# desktop: docs/make-dialog.png and docs/install-dialog.png (the latter while it downloads
# examples/release's package from a slow server on 127.0.0.1).
# Usage: scripts/screenshot.sh <build-folder>
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$top/build/x64}" && pwd)
source "$top/scripts/desktop.sh"
probe() { wine_run "$build/tests/winprobe.exe" "$@"; }

work=$top/build/pictures
rm -rf "$work"
mkdir -p "$work/site" "$work/installed" "$top/docs"
start_desktop 400x300

# The make dialog, with a version and a folder typed in.
wine_run "$build/app/Update.exe" &
maker=$!
probe wait "Make update files" 60000
probe settext "Make update files" 7 "2.0.0.0"
probe settext "Make update files" 3 'C:\Projects\Example\Release\'
sleep 1
shoot "$top/docs/make-dialog.png"
probe close "Make update files"
wait "$maker"

# The install dialog at work: a package served at 1000 bytes a second.
wine_run "$build/cli/updtool.exe" pack "$(win "$top/examples/release")" \
  "$(win "$work/site/example.upd")" >"$work/pack.txt"
crc=$(signed_crc "$work/pack.txt")
serve_slowly "$work/site" "$work/url"
wine_run "$build/app/Update.exe" "$crc" "$(cat "$work/url")/example.bin" \
  "$(win "$work/installed")\\" "$(win "$work/installed/none.exe")" &
updater=$!
probe wait "Update" 60000
sleep 1.5
shoot "$top/docs/install-dialog.png"
wait "$updater"
kill "$server_pid" 2>/dev/null || true
echo "docs/make-dialog.png and docs/install-dialog.png written"
