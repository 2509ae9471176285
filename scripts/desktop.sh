# Sourced by the scripts that show Update.exe's dialogs to a person: starts an Xvfb screen
# and makes every Wine program of a prefix of its own appear in one Wine virtual desktop,
# which draws window frames and captions as Windows does. The tests' prefix is left alone.
#   start_desktop <width>x<height>    exports DISPLAY and WINEPREFIX
#   stop_desktop                      ends Wine and the screen (also on exit)
#   shoot <file.png>                  saves the whole screen
#   win <path>, wine_run <program>...  a Linux path as Wine sees it; a program under Wine
#   signed_crc <pack output file>     the signed CRC-32 that `updtool pack` printed
#   serve_slowly <folder> <url file> [bytes a second]
#                                     serves the folder at 1000 bytes a second (or the rate
#                                     given) in the background (pid in server_pid); returns
#                                     once the URL is in the file

start_desktop() {
  local size=$1
  export WINEPREFIX=$top/build/wineprefix-desktop
  export WINEDEBUG=-all
  source "$top/scripts/xvfb.sh"
  start_xvfb "$size"
  trap stop_desktop EXIT
  "$top/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Update /f \
    >/dev/null 2>&1
  "$top/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Update \
    /d "$size" /f >/dev/null 2>&1
  # Wine's own fonts (Tahoma, and Marlett, which draws the caption buttons) come in Debian's
  # fonts-wine, but this Wine looks for them under "Z:\usr\share\wine\../fonts", a path
  # its file layer cannot resolve, and finds none: captions then show the letters "0 1 r".
  # The folder is named to it as a font path of its own.
  "$top/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\Fonts' /v Path \
    /d "$(win /usr/share/wine/fonts)" /f >/dev/null 2>&1
  # The desktop takes its size when it starts: restart Wine so that it reads the new one.
  wineserver -k >/dev/null 2>&1
  wineserver -w
}

stop_desktop() {
  wineserver -k >/dev/null 2>&1
  stop_xvfb
}

shoot() {
  import -window root "$1"
}

win() { printf 'Z:%s' "${1//\//\\}"; }
wine_run() { "$top/scripts/wine-run.sh" "$@"; }

signed_crc() {
  local crc
  crc=$(tr -d '\r' <"$1" | sed -n 's/^crc32.*(signed \(-\?[0-9]*\))$/\1/p')
  [ -n "$crc" ] || { echo "no CRC-32 in updtool's output" >&2; return 1; }
  echo "$crc"
}

serve_slowly() {
  python3 "$top/tests/support/test_server.py" --serve "$1" "$2" "${3:-1000}" 120 &
  server_pid=$!
  for _ in $(seq 100); do [ -e "$2" ] && break; sleep 0.05; done
}
