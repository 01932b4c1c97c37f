#!/usr/bin/env bash
# Automatic switching under the real GNOME Shell, headless: the program (with the virtual mouse)
# copies its extension at a first login, a second login loads it and the program enables it;
# the focus then moves between two applications and the program's own window, and the virtual
# mouse shows each switch.
# Usage: run-gnome-test.sh <mousecfg executable> <libvmouse.so>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
skip=77

if [ "${1:-}" = --login ]; then
  # Inside a login's own session bus.
  phase=$2
  log=$scratch/$phase
  uuid=active-window@mousecfg.org
  gshell() { gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell "$@"; }
  extension_info() { gshell -m org.gnome.Shell.Extensions.GetExtensionInfo "$1"; }
  focus() { gdbus call --session -d org.gnome.Shell -o /org/mousecfg/TestFocus -m "org.mousecfg.TestFocus.$@"; }
  fail() { echo "FAIL ($phase): $*"; tail -n 30 "$log-program.log" 2>/dev/null || true; exit 1; }
  # wait_for SECONDS WHAT COMMAND...: polls until the command succeeds.
  wait_for() {
    local seconds=$1 what=$2 i
    shift 2
    for ((i = 0; i < seconds * 10; i++)); do
      "$@" >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    fail "$what within $seconds s"
  }
  rate() { grep -o '# report-rate [0-9]*' "$scratch/trace" 2>/dev/null | tail -n 1 | cut -d' ' -f3; }
  rate_is() { [ "$(rate)" = "$1" ]; }

  pids=()
  stop_all() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  }
  trap stop_all EXIT

  gnome-shell --headless --virtual-monitor 1280x800 --wayland-display mousecfg-wl >"$log-shell.log" 2>&1 &
  shell=$!
  pids+=("$shell")
  for ((i = 0; i < 600; i++)); do
    gshell -m org.freedesktop.DBus.Properties.Get org.gnome.Shell ShellVersion >/dev/null 2>&1 && break
    if ! kill -0 "$shell" 2>/dev/null; then
      echo "gnome-shell cannot run here; it ended at start-up:"
      tail -n 5 "$log-shell.log"
      exit $skip
    fi
    sleep 0.1
  done
  [ "$i" -lt 600 ] || fail "gnome-shell on the bus within 60 s"
  export WAYLAND_DISPLAY=mousecfg-wl XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME GDK_BACKEND=wayland

  start_program() {
    (cd "$scratch/app" && LD_PRELOAD="$scratch/libvmouse.so" VMOUSE_TRACE="$scratch/trace" QT_QPA_PLATFORM=wayland \
       ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 exec ./mousecfg) >"$log-program.log" 2>&1 &
    program=$!
    pids+=("$program")
  }

  if [ "$phase" = first ]; then
    # A first login: the shell knows nothing of the extension the program copies now.
    start_program
    ext="$XDG_DATA_HOME/gnome-shell/extensions/$uuid"
    wait_for 30 "the program copied its extension" test -s "$ext/extension.js"
    grep -q '"43"' "$ext/metadata.json" || fail "the copy is not the one for GNOME 43: $(cat "$ext/metadata.json")"
    info=$(extension_info "$uuid")
    [ "$info" = "(@a{sv} {},)" ] || fail "the running shell knows the new extension already: $info"
    exit 0
  fi

  # A later login: the shell finds the extension; the program enables it and hears the focus.
  gshell -m org.gnome.Shell.Extensions.EnableExtension focus@mousecfg.test >/dev/null
  wait_for 20 "the test's focus helper on the bus" focus FocusedPid
  # New windows never get the focus while the overview is up, as it is after start-up.
  focus HideOverview >/dev/null
  for app in appA appB; do
    "$scratch/bin/$app" --info --title="$app" --text="$app" >"$log-$app.log" 2>&1 &
    pids+=($!)
    eval "pid_$app=$!"
  done
  start_program
  wait_for 30 "the program enabled its extension" bash -c "$(declare -f gshell); gshell -m \
    org.gnome.Shell.Extensions.GetExtensionInfo $uuid | grep -q \"'state': <1.0>\""
  wait_for 30 "the program's first profile on the mouse" rate_is 8
  # focus_and_check PID RATE: the window of PID gets the focus and the mouse the profile's rate.
  focus_and_check() {
    local started=$SECONDS
    wait_for 20 "a window of process $1" bash -c "$(declare -f focus); focus Focus $1 | grep -q true"
    # A busy shell may drop an activation: ask again until the focus is there.
    wait_for 10 "focused window of process $1" bash -c "$(declare -f focus); [ \"\$(focus FocusedPid)\" = '(uint32 $1,)' ] || { focus Focus $1 >/dev/null; false; }"
    wait_for 30 "report rate $2 on the mouse after focusing process $1 (it holds $(rate))" rate_is "$2"
    echo "focus on $1: rate $2 after $((SECONDS - started)) s"
  }
  focus_and_check "$pid_appA" 2
  focus_and_check "$pid_appB" 4
  # The program's own window keeps the profile: nothing is sent in three hold times.
  before=$(grep -c '# report-rate' "$scratch/trace")
  wait_for 20 "the program's window" bash -c "$(declare -f focus); focus Focus $program | grep -q true"
  wait_for 10 "focus on the program's window" bash -c "$(declare -f focus); [ \"\$(focus FocusedPid)\" = '(uint32 $program,)' ] || { focus Focus $program >/dev/null; false; }"
  sleep 1.5
  [ "$(grep -c '# report-rate' "$scratch/trace")" = "$before" ] && rate_is 4 \
    || fail "focusing the program's own window changed the mouse (rate $(rate))"
  focus_and_check "$pid_appA" 2
  echo "all GNOME Shell checks passed"
  exit 0
fi

program=$1 vmouse=$2
for tool in gnome-shell dbus-daemon dbus-run-session gdbus zenity; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/deps test installs it)"; exit 1; }
done
scratch=$(mktemp -d)
syspid=
cleanup() {
  [ -n "$syspid" ] && kill "$syspid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
started=$SECONDS

mkdir -p "$scratch/app" "$scratch/bin" "$scratch/home/.config" "$scratch/home/.local/share/gnome-shell/extensions"
cp "$program" "$scratch/app/mousecfg"
cp -r "$(dirname "$program")"/{data,i18n,fonts} "$scratch/app/"
cp "$vmouse" "$scratch/libvmouse.so"
# Two applications: two names of one small GTK program.
cp "$(command -v zenity)" "$scratch/bin/appA"
cp "$(command -v zenity)" "$scratch/bin/appB"
cp -r "$here/gnome-focus" "$scratch/home/.local/share/gnome-shell/extensions/focus@mousecfg.test"

# The shell wants a system bus; a private one with nothing on it will do.
cat >"$scratch/system.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$scratch/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
EOF
syspid=$(dbus-daemon --config-file="$scratch/system.conf" --fork --print-pid)

# login NAME: one session, as after logging in: a fresh runtime folder each time (a shell that
# ran under a minute leaves a file there that switches every extension off at the next start),
# and HOME and XDG_* set before the bus, whose services inherit them.
login() {
  local run="$scratch/run-$1"
  mkdir -m 0700 "$run"
  env -i PATH="$PATH" LANG=C.UTF-8 HOME="$scratch/home" XDG_RUNTIME_DIR="$run" \
    XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share" \
    XDG_CACHE_HOME="$scratch/home/.cache" XDG_DATA_DIRS=/usr/local/share:/usr/share XDG_CONFIG_DIRS=/etc/xdg \
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$scratch/system_bus_socket" scratch="$scratch" \
    dbus-run-session -- "$0" --login "$1" 2>"$scratch/$1-bus.log"
}

status=0
login first || status=$?
if [ "$status" -eq 0 ]; then
  # Three profiles by their report rates; rules for the two applications, by path and by name;
  # the first profile for every other program, so that the program's own window would switch.
  for n in 0 1 2; do
    sed "s/^reportRate=.*/reportRate=$((n == 0 ? 8 : n * 2))/" "$scratch/app/data/pD.bin" >"$scratch/app/data/p$n.bin"
  done
  cat >"$scratch/app/data/profiles.ini" <<EOF
[profiles]
order=0, 1, 2
active=0
default=0

[names]
0=Standard
1=One
2=Two

[rules]
1\\program=$scratch/bin/appA
1\\profile=1
2\\program=appB
2\\profile=2
size=2
EOF
  login second || status=$?
fi
echo "took $((SECONDS - started)) s"
if [ "$status" -ne 0 ] && [ "$status" -ne $skip ]; then
  for f in "$scratch"/*-bus.log; do echo "== $f"; tail -n 15 "$f"; done
  for f in "$scratch"/*-shell.log; do echo "== $f"; grep -iE 'extension|error|JS' "$f" | tail -n 15; done
fi
exit $status
