#!/usr/bin/env bash
# Runs the real Orca against the program: a private X server, window manager, D-Bus session and
# speech-dispatcher; the Python driver starts Orca and the program (with the virtual mouse) and
# types through XTEST. Skips (77) only where Orca cannot start at all, and not under CI.
# Usage: run-orca-test.sh <mousecfg executable> <libvmouse.so> [driver arguments...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1 vmouse=$2
shift 2
skip=77
# Where the test group is installed (CI), a missing screen reader is a fault, not a reason.
cannot_start() {
  echo "SKIP: $*"
  [ -n "${CI:-}" ] && exit 1
  exit $skip
}
for tool in orca speech-dispatcher; do
  command -v "$tool" >/dev/null || cannot_start "$tool is not installed (scripts/deps test installs it)"
done
for tool in Xvfb dbus-run-session openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/deps test installs it)"; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi, speechd' 2>/dev/null || cannot_start "Orca's Python modules do not load"
[ -x /usr/lib/speech-dispatcher-modules/sd_generic ] || cannot_start "speech-dispatcher has no generic module"

. "$here/private-display.sh"

# speech-dispatcher's own configuration: one generic module that appends each text it is given
# to a file, so that what reaches the speech server is recorded without a sound card.
speechd=$scratch/speechd
mkdir -p "$speechd/modules" "$speechd/log"
cat >"$speechd/speechd.conf" <<EOF
LogLevel 3
LogDir "$speechd/log"
AddModule "capture" "sd_generic" "capture.conf"
DefaultModule capture
LanguageDefaultModule "en" "capture"
Timeout 0
# The generic module opens an audio output before it runs its command: ALSA's null device.
AudioOutputMethod "alsa"
AudioALSADevice "null"
EOF
cat >"$speechd/modules/capture.conf" <<EOF
Debug 0
GenericExecuteSynth "printf '%s\\\\n' \\'\$DATA\\' >>$speechd/spoken"
GenericLanguage "en" "en" "utf-8"
AddVoice "en" "MALE1" "capture"
DefaultVoice "capture"
EOF

mkdir -p "$scratch/config" "$scratch/data" "$scratch/cache" "$scratch/run"
chmod 700 "$scratch/run"
# Root is no exception: Orca, speech-dispatcher and the program find their folders here.
export DISPLAY=":$display" HOME="$scratch" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config" \
  XDG_DATA_HOME="$scratch/data" XDG_CACHE_HOME="$scratch/cache" LANG=C.UTF-8 LANGUAGE=en
XDG_CONFIG_DIRS=/etc/xdg XDG_DATA_DIRS=/usr/local/share:/usr/share openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
wmpid=$!
# Orca's toolkit reads its icons and schemas from the system; GSettings keeps its values in memory.
export XDG_DATA_DIRS=/usr/local/share:/usr/share GSETTINGS_BACKEND=memory \
  GSETTINGS_SCHEMA_DIR=/usr/share/glib-2.0/schemas
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
export SPEECHD_ADDRESS="unix_socket:$scratch/run/speechd.sock"
status=0
dbus-run-session -- /usr/bin/python3 "$here/orca_driver.py" --program "$scratch/app/mousecfg" \
  --vmouse "$scratch/libvmouse.so" --scratch "$scratch" --speechd "$speechd" "$@" || status=$?
# Orca's whole debug output, the program's log and the mouse's trace, where a run keeps them.
if [ -n "${MOUSECFG_ORCA_LOGS:-}" ]; then
  mkdir -p "$MOUSECFG_ORCA_LOGS"
  cp "$scratch"/{orca-debug.log,orca.log,program.log,trace} "$speechd/spoken" "$MOUSECFG_ORCA_LOGS/" 2>/dev/null || true
fi
exit $status
