# Sourced by the screenshot scripts. Makes a scratch directory ($work) and a list of background
# processes (pids) that are ended, with the directory removed, when the script exits; and
# offers start_virtual_display WIDTHxHEIGHT: a virtual X display (Xvfb, 96 dpi) with the
# openbox window manager on it, exported as DISPLAY.
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_virtual_display() {
  local display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 "${1}x24" -dpi 96 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  export DISPLAY=":$display"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  xdpyinfo >/dev/null 2>&1 || { echo "$(basename "$0"): Xvfb did not start" >&2; return 1; }
  openbox >"$work/openbox.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
}
