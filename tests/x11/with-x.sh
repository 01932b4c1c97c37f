#!/usr/bin/env bash
# Runs a test program on an X server of its own, with a window manager, so that it can be driven
# by real X events (xdotool). The server picks a free display itself: other X servers may be
# running on this machine at the same time.
# Usage: with-x.sh program [arguments]
set -euo pipefail
for tool in Xvfb openbox xdotool xset; do
  command -v "$tool" >/dev/null || { echo "with-x.sh: $tool is missing (scripts/deps test)" >&2; exit 1; }
done
work=$(mktemp -d)
xvfb=""
wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  [ -n "$wm" ] && wait "$wm" 2>/dev/null || true
  [ -n "$xvfb" ] && wait "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
if ! read -r -t 20 number <"$work/display"; then
  echo "with-x.sh: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$number"
# Keyboard auto-repeat as on a desktop, at a known rate.
xset r on
xset r rate 250 30
export HOME="$work"
# The window manager reads its theme and configuration from the system's folders.
XDG_CONFIG_DIRS=/etc/xdg XDG_DATA_DIRS=/usr/local/share:/usr/share openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm=$!
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
"$@"
