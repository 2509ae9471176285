# Sourced by the scripts that need a screen for Wine's windows.
#   start_xvfb <width>x<height>   starts Xvfb on a free display, exports DISPLAY and sets
#                                 xvfb_pid, returning once the server is up
#   stop_xvfb                     ends it

start_xvfb() {
  local chosen
  chosen=$(mktemp)
  # Xvfb picks a free display itself and writes its number once it accepts connections:
  # several runs side by side never race for one display.
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3>"$chosen" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 200); do
    [ "$(wc -l <"$chosen")" -ge 1 ] && break
    sleep 0.05
  done
  export DISPLAY=":$(head -1 "$chosen")"
  rm -f "$chosen"
}

stop_xvfb() {
  [ -n "${xvfb_pid:-}" ] || return 0
  kill "$xvfb_pid" >/dev/null 2>&1
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}
