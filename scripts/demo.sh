#!/usr/bin/env bash
# Update.exe doing its job on the built-in example, end to end:
#   1. the publisher packs examples/release (version read from its app.ini) with updtool;
#   2. the package is served over HTTP on 127.0.0.1;
#   3. an older copy of the application is installed in a temporary folder, and its program
#      is running;
#   4. Update.exe is started with the four arguments a host program passes: it waits for
#      the program to exit, downloads, checks, extracts and restarts it;
#   5. what changed in the installed folder is printed, and a picture of the install dialog
#      at work is saved as build/demo/install-dialog.png.
# Usage: scripts/demo.sh <build-folder>
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$top/build/x64}" && pwd)
source "$top/scripts/desktop.sh"

demo=$top/build/demo
rm -rf "$demo"
mkdir -p "$demo/site"
start_desktop 480x360

version=$(sed -n 's/^Version=\([^\r]*\).*/\1/p' "$top/examples/release/app.ini")
echo "== 1. updtool pack examples/release --version $version"
wine_run "$build/cli/updtool.exe" pack "$(win "$top/examples/release")" \
  "$(win "$demo/site/example.upd")" --version "$version" | tee "$demo/pack.txt"
crc=$(signed_crc "$demo/pack.txt")

echo
echo "== 2. serving $demo/site on 127.0.0.1 (slowly, so that the dialog can be seen)"
serve_slowly "$demo/site" "$demo/url"
url=$(cat "$demo/url")/example.bin
echo "$url"

echo
echo "== 3. version 1.0.0.0 installed in $demo/installed, its program running"
cp -r "$top/examples/release" "$demo/installed"
sed -i 's/^Version=.*/Version=1.0.0.0\r/' "$demo/installed/app.ini"
printf 'Example Application 1.0\r\n' >"$demo/installed/readme.txt"
rm "$demo/installed/bin/plugin.txt"
cp "$build/tests/hostprog.exe" "$demo/installed/ExampleApp.exe"
cp -r "$demo/installed" "$demo/before"
wine_run "$demo/installed/ExampleApp.exe" --stay 3000 &
host=$!
for _ in $(seq 200); do [ -e "$demo/installed/ExampleApp.exe.started" ] && break; sleep 0.05; done

echo
dest="$(win "$demo/installed")\\"
echo "== 4. Update.exe $crc $url \"$dest\" \"$(win "$demo/installed/ExampleApp.exe")\""
wine_run "$build/app/Update.exe" "$crc" "$url" "$dest" "$(win "$demo/installed/ExampleApp.exe")" &
updater=$!
wine_run "$build/tests/winprobe.exe" wait Update 30000 && sleep 1.5 && shoot "$demo/install-dialog.png"
wait "$updater"
wait "$host"
kill "$server_pid" 2>/dev/null || true

echo
echo "== 5. what changed"
(cd "$demo/installed" && find . -type f ! -name '*.started' | sort) | while read -r f; do
  if [ ! -e "$demo/before/$f" ]; then
    echo "added    ${f#./}"
  elif ! cmp -s "$demo/before/$f" "$demo/installed/$f"; then
    echo "changed  ${f#./}"
  fi
done
starts=$(wc -l <"$demo/installed/ExampleApp.exe.started")
echo "ExampleApp.exe started $starts times: once before the update, once by Update.exe"
if diff -r -x '*.started' -x ExampleApp.exe "$top/examples/release" "$demo/installed" >/dev/null \
  && [ "$starts" -eq 2 ]; then
  echo "the installed folder now equals the release, and the program was restarted"
else
  echo "the update did not complete" >&2
  exit 1
fi
echo "picture of the install dialog at work: $demo/install-dialog.png"
