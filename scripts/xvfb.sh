# Sourced by the scripts that need a screen for Wine's windows.
#   start_xvfb <width>x<height>   starts Xvfb on the lowest free display, exports DISPLAY and
#                                 sets xvfb_pid, returning once the server is up
#   stop_xvfb                     ends it

start_xvfb() {
  local display=90
  while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
    display=$((display + 1))
  done
  Xvfb ":${display}" -screen 0 "${1}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":${display}"
  # Wait for the server's socket rather than sleeping a fixed time.
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X${display}" ] && break
    sleep 0.05
  done
}

stop_xvfb() {
  [ -n "${xvfb_pid:-}" ] || return 0
  kill "$xvfb_pid" >/dev/null 2>&1
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}
