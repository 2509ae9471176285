#!/usr/bin/env bash
# The sample program (examples/host) updating itself with Update.exe, end to end:
#   1. a small server serves the publisher's site on 127.0.0.1;
#   2. the publisher makes a key pair and release 2.0.0.0 (examples/release, the program
#      with the public key, its app.ini pointing at the site), and packs and signs it
#      with updtool;
#   3. version 1.0.0.0 is installed in a folder of its own, with Update.exe beside it,
#      which carries the public key too;
#   4. the program starts with --check: it finds 2.0.0.0, starts Update.exe through
#      sdk/update_client.h and exits; Update.exe installs the release and starts it again;
#   5. what changed in the installed folder is printed. Pictures of the program before and
#      after and of the install dialog at work are saved in build/demo/*.png.
# Usage: scripts/demo.sh <build-folder>
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$top/build/x64}" && pwd)
source "$top/scripts/desktop.sh"
probe() { wine_run "$build/tests/winprobe.exe" "$@"; }
title="Example Application"

demo=$top/build/demo
rm -rf "$demo"
mkdir -p "$demo/site"
start_desktop 480x360

echo "== 1. serving $demo/site on 127.0.0.1 (slowly, so that the dialog can be seen)"
serve_slowly "$demo/site" "$demo/url" 4000
url=$(cat "$demo/url")/example.upd
echo "$url"

echo
version=$(sed -n 's/^Version=\([^\r]*\).*/\1/p' "$top/examples/release/app.ini")
echo "== 2. release $version: examples/release and ExampleApp.exe, signed and packed by updtool"
tool() { wine_run "$build/cli/updtool.exe" "$@"; }
cp -r "$top/examples/release" "$demo/release"
cp "$build/examples/host/ExampleApp.exe" "$demo/release/"
sed -i "s|^UpdateUrl=.*|UpdateUrl=$url|" "$demo/release/app.ini"
# The publisher's key pair; the public key goes into the program and into the Update.exe
# shipped with it, so that both refuse anything the private key did not sign.
tool keygen "$(win "$demo/demo-private.pem")" "$(win "$demo/demo-public.pem")"
tool embed-key "$(win "$demo/release/ExampleApp.exe")" "$(win "$demo/demo-public.pem")"
tool pack "$(win "$demo/release")" "$(win "$demo/site/example.upd")" --version "$version" \
  --sign "$(win "$demo/demo-private.pem")" | tee "$demo/pack.txt"
ls "$demo/site" | sed 's/^/   site: /'

echo
echo "== 3. version 1.0.0.0 installed in $demo/installed, with Update.exe beside it"
cp -r "$demo/release" "$demo/installed"
sed -i 's/^Version=.*/Version=1.0.0.0/' "$demo/installed/app.ini"
printf 'Example Application 1.0\r\n' >"$demo/installed/readme.txt"
rm "$demo/installed/bin/plugin.txt"
cp "$build/app/Update.exe" "$demo/installed/"
tool embed-key "$(win "$demo/installed/Update.exe")" "$(win "$demo/demo-public.pem")"
cp -r "$demo/installed" "$demo/before"
wine_run "$demo/installed/ExampleApp.exe" &
program=$!
probe wait "$title" 60000 && sleep 1 && shoot "$demo/host-before.png"
probe close "$title"
wait "$program"

echo
echo "== 4. ExampleApp.exe --check"
wine_run "$demo/installed/ExampleApp.exe" --check &
program=$!
probe wait Update 60000 && sleep 1.5 && shoot "$demo/install-dialog.png"
wait "$program"
echo "version 1.0.0.0 started Update.exe and ended"
probe wait "$title" 120000
label=$(probe read "$title" | tr -d '\r' | awk -F'\t' '$2 == 2 { print $3 }')
echo "the program started again, showing \"$label\""
sleep 1 && shoot "$demo/host-after.png"
probe close "$title"
probe gone "$title" 30000
kill "$server_pid" 2>/dev/null || true

echo
echo "== 5. what changed"
(cd "$demo/installed" && find . -type f | sort) | while read -r f; do
  if [ ! -e "$demo/before/$f" ]; then
    echo "added    ${f#./}"
  elif ! cmp -s "$demo/before/$f" "$demo/installed/$f"; then
    echo "changed  ${f#./}"
  fi
done
if diff -r -x Update.exe "$demo/release" "$demo/installed" >/dev/null \
  && [ "$label" = "Version $version" ]; then
  echo "the installed folder now equals the release, and the program shows version $version"
else
  echo "the update did not complete" >&2
  exit 1
fi
echo "pictures: $demo/host-before.png, $demo/install-dialog.png, $demo/host-after.png"
