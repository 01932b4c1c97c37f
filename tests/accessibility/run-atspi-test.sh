#!/usr/bin/env bash
# Runs the screen-reader test: a private X server and D-Bus session with the AT-SPI bus, the
# program (with the virtual mouse preloaded) started by the Python driver inside it.
# Usage: run-atspi-test.sh <mousecfg executable> <libvmouse.so> [driver arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1 vmouse=$2
shift 2
for tool in Xvfb dbus-run-session openbox trayer xdotool; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/deps test installs it)"; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "missing python3-pyatspi"; exit 1; }

. "$here/private-display.sh"
# An update program this system can start (not a Windows image), so that the menu opens the
# update dialog instead of saying the program cannot run here.
mkdir -p "$scratch/app/update"
for f in $(sed -n 's/^ *"\(.*\.exe\)",$/\1/p' "$here/../../app/mainwindow.cpp"); do
  printf '#!/bin/sh\nexit 0\n' >"$scratch/app/update/$f"
  chmod +x "$scratch/app/update/$f"
done

export DISPLAY=":$display" XDG_RUNTIME_DIR="$scratch" XDG_CONFIG_HOME="$scratch/config" HOME="$scratch"
# A window manager gives the program's windows the keyboard focus, as on a desktop.
# The window manager reads its theme and configuration from the system's folders.
XDG_CONFIG_DIRS=/etc/xdg XDG_DATA_DIRS=/usr/local/share:/usr/share openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
wmpid=$!
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
# The accessibility bus's launcher reads its settings through GSettings; nothing else of the
# system's data folders is wanted.
export GSETTINGS_SCHEMA_DIR=/usr/share/glib-2.0/schemas
status=0
dbus-run-session -- /usr/bin/python3 "$here/atspi_driver.py" --program "$scratch/app/mousecfg" \
  --vmouse "$scratch/libvmouse.so" --scratch "$scratch" "$@" || status=$?
exit $status
