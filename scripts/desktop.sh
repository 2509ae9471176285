# Sourced by the scripts that show Update.exe's dialogs to a person: starts an Xvfb screen
# and makes every Wine program of a prefix of its own appear in one Wine virtual desktop,
# which draws window frames and captions as Windows does. The tests' prefix is left alone.
#   start_desktop <width>x<height>    exports DISPLAY and WINEPREFIX
#   stop_desktop                      ends Wine and the screen (also on exit)
#   shoot <file.png>                  saves the whole screen

start_desktop() {
  local size=$1
  export WINEPREFIX=$top/build/wineprefix-desktop
  export WINEDEBUG=-all
  local display=90
  while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
    display=$((display + 1))
  done
  Xvfb ":${display}" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  desktop_xvfb=$!
  export DISPLAY=":${display}"
  trap stop_desktop EXIT
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X${display}" ] && break
    sleep 0.05
  done
  "$top/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Update /f \
    >/dev/null 2>&1
  "$top/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Update \
    /d "$size" /f >/dev/null 2>&1
  # The desktop takes its size when it starts: restart Wine so that it reads the new one.
  wineserver -k >/dev/null 2>&1
  wineserver -w
}

stop_desktop() {
  wineserver -k >/dev/null 2>&1
  [ -n "${desktop_xvfb:-}" ] && kill "$desktop_xvfb" >/dev/null 2>&1
  desktop_xvfb=
}

shoot() {
  import -window root "$1"
}
