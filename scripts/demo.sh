#!/usr/bin/env bash
# The publisher's job on the built-in example: pack examples/release (with the built
# Update.exe dropped at its top, which the package leaves out) into example.bin and
# example.upd, list the archive, verify the descriptor, and extract into a fresh folder.
# Usage: scripts/demo.sh <build-folder>
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$top/build/x64}" && pwd)
run() { "$top/scripts/wine-run.sh" "$build/cli/updtool.exe" "$@"; }
# Wine sees the Linux file system as drive Z:.
win() { printf 'Z:%s' "${1//\//\\}"; }

demo=$top/build/demo
rm -rf "$demo"
mkdir -p "$demo/out" "$demo/installed"
cp -r "$top/examples/release" "$demo/release"
cp "$build/app/Update.exe" "$demo/release/Update.exe"

echo "== updtool pack $(win "$demo/release") $(win "$demo/out/example.upd") --version 2.0.0.0"
run pack "$(win "$demo/release")" "$(win "$demo/out/example.upd")" --version 2.0.0.0
echo
echo "== example.upd (version line, CRC-32 line)"
sed -n l "$demo/out/example.upd"
echo
echo "== updtool list example.bin (size, name)"
run list "$(win "$demo/out/example.bin")"
echo
echo "== updtool verify example.upd"
run verify "$(win "$demo/out/example.upd")"
echo
echo "== updtool extract example.bin $(win "$demo/installed")"
run extract "$(win "$demo/out/example.bin")" "$(win "$demo/installed")"
if diff -r "$top/examples/release" "$demo/installed" >/dev/null; then
  echo "extracted files equal the release (Update.exe at the top left out, as it should be)"
else
  echo "extracted files differ from the release" >&2
  exit 1
fi
