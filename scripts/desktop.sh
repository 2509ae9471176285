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
  source "$top/scripts/xvfb.sh"
  start_xvfb "$size"
  trap stop_desktop EXIT
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
  stop_xvfb
}

shoot() {
  import -window root "$1"
}
