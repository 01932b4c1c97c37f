#!/usr/bin/env bash
# Automatic switching under the real KDE Plasma compositor, headless: the program (with the
# virtual mouse preloaded) runs on KWin's Wayland display, two other applications open beside it,
# a second KWin script moves the focus between them, and the virtual mouse's trace must show the
# profile of each rule after each move; focusing the program's own window keeps the profile.
# Runs inside its own D-Bus session. Exit 77: the compositor cannot run on this machine.
# Usage: run-kwin-test.sh <mousecfg executable> <libvmouse.so>
set -euo pipefail
program=$1 vmouse=$2

if [ "${3:-}" != --inside ]; then
  for tool in dbus-run-session dbus-send dbus-monitor weston-flower weston-clickdot xmessage; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/deps test installs it)"; exit 1; }
  done
  command -v kwin_wayland >/dev/null || { echo "SKIP: kwin_wayland is not installed (scripts/deps test installs kwin-wayland)"; exit 77; }
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/kwin-test.XXXXXX")
  trap 'rm -rf "$scratch"' EXIT
  mkdir -p "$scratch/home/.config" && mkdir -m 0700 "$scratch/run"
  # The services the session starts inherit these.
  export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/home/.config"
  status=0
  SCRATCH="$scratch" dbus-run-session -- "$0" "$program" "$vmouse" --inside || status=$?
  exit $status
fi

scratch=$SCRATCH
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for log in program kwin; do echo "--- $log.log"; tail -n 30 "$scratch/$log.log" 2>/dev/null || true; done
  echo "--- activations seen"; activations || true
  echo "--- report-rate commands"; rates || true
  exit 1
}
# wait_for SECONDS WHAT COMMAND...
wait_for() {
  local seconds=$1 what=$2; shift 2
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ -z "${own:-}" ] || kill -0 "$own" 2>/dev/null || fail "$what: the program ended"
    [ $SECONDS -lt $end ] || fail "$what"
    sleep 0.1
  done
}

# The packaged binary carries a file capability that a container may refuse to execute: a plain
# copy runs the same.
kwin=$(command -v kwin_wayland)
if ! "$kwin" --version >/dev/null 2>&1; then
  cp "$kwin" "$scratch/kwin_wayland"
  kwin="$scratch/kwin_wayland"
  "$kwin" --version >/dev/null 2>&1 || { echo "SKIP: kwin_wayland cannot be executed here: $("$kwin" --version 2>&1 | tail -n 1)"; exit 77; }
fi
socket=mousecfg-kwin-$$
KWIN_COMPOSE=Q "$kwin" --virtual --xwayland --socket "$socket" --width 1024 --height 768 \
  --no-lockscreen --no-global-shortcuts --no-kactivities >"$scratch/kwin.log" 2>&1 &
kwin_pid=$!
pids+=("$kwin_pid")
kwin_up() { kill -0 "$kwin_pid" 2>/dev/null || fail "kwin_wayland ended"; dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1; }
wait_for 30 "kwin_wayland on the bus" kwin_up

# Every report the compositor's script sends to the program, as "pid appid" lines.
dbus-monitor --session "type='method_call',interface='org.mousecfg.ActiveWindow'" >"$scratch/monitor.log" 2>/dev/null &
pids+=("$!")
activations() {
  awk '/member=WindowActivated/ { want = 1; next }
       want && /int32/ { pid = $2; next }
       want && /string/ { gsub(/"/, "", $2); print pid, $2; want = 0 }' "$scratch/monitor.log"
}
activated() { activations | grep -q "^$1 $2\$"; }
sleep 0.3   # the monitor is listening before anything is reported

# The program runs from a copy with its files beside it (the portable layout): the profiles
# it reads and writes stay in the scratch.
app="$scratch/app"
mkdir -p "$app/data"
cp "$program" "$app/mousecfg"
cp -r "$(dirname "$program")"/{data,i18n,fonts} "$app/"
cp "$vmouse" "$scratch/libvmouse.so"
# Three profiles that differ in report rate (codes 8, 2 and 4 on the wire), the first one for
# every other program; one rule by the executable's name, two by the application id.
for p in 0:8 1:2 2:4; do
  sed "s/^reportRate=.*/reportRate=${p#*:}/" "$app/data/pD.bin" >"$app/data/p${p%%:*}.bin"
done
cat >"$app/data/profiles.ini" <<'INI'
[names]
0=Standard
1=One
2=Two

[profiles]
order=0, 1, 2
active=0
default=0

[rules]
1\program=weston-flower
1\profile=1
2\program=org.freedesktop.weston.wayland-clickdot
2\profile=2
3\program=xmessage
3\profile=2
size=3
INI
trace="$scratch/trace"
rates() { sed -n 's/.*# report-rate \([0-9]*\).*/\1/p' "$trace" 2>/dev/null; }
rate_is() { [ "$(rates | tail -n 1)" = "$1" ]; }

# As after a run of the program that was killed: a script of its name is loaded already, and the
# compositor refuses to load that name again until it is unloaded.
echo "// left over" >"$scratch/left-over.js"
dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.loadScript \
  string:"$scratch/left-over.js" string:mousecfg-active-window >/dev/null || fail "the left-over script was not loaded"

wayland=(WAYLAND_DISPLAY="$socket" XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE)
(cd "$app" && exec env "${wayland[@]}" QT_QPA_PLATFORM=wayland LD_PRELOAD="$scratch/libvmouse.so" \
   VMOUSE_TRACE="$trace" ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 ./mousecfg) >"$scratch/program.log" 2>&1 &
own=$!
pids+=("$own")
wait_for 60 "the program's window in front (its script loaded)" activated "$own" mousecfg
wait_for 20 "the first profile sent (report rate 8)" rate_is 8

# focus PID-or-CLASS: a one-shot script makes that window the active one (Plasma 5 and 6 names).
moves=0
focus() {
  moves=$((moves + 1))
  cat >"$scratch/focus$moves.js" <<JS
var all = workspace.windowList ? workspace.windowList() : workspace.clientList();
for (var i = 0; i < all.length; ++i) {
    var w = all[i];
    if (w.pid == $1 || w.resourceClass == "$2") {
        if (workspace.windowList) workspace.activeWindow = w; else workspace.activeClient = w;
    }
}
JS
  local id
  id=$(dbus-send --session --print-reply=literal --dest=org.kde.KWin /Scripting \
         org.kde.kwin.Scripting.loadScript string:"$scratch/focus$moves.js" string:"focus$moves" | awk '{print $2}')
  [ -n "$id" ] && [ "$id" -ge 0 ] || fail "the focus script was not loaded"
  dbus-send --session --print-reply --dest=org.kde.KWin "/$id" org.kde.kwin.Script.run >/dev/null 2>&1 ||
    dbus-send --session --print-reply --dest=org.kde.KWin "/Scripting/Script$id" org.kde.kwin.Script.run >/dev/null ||
    fail "the focus script did not run"
  dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.unloadScript string:"focus$moves" >/dev/null
}
# expect WHAT RATE PID APPID: the compositor named that window, and the mouse got that rate.
expect() {
  wait_for 20 "$1: the compositor reported $3 $4" activated "$3" "$4"
  wait_for 20 "$1: report rate $2 on the mouse" rate_is "$2"
  echo "ok: $1"
}

env "${wayland[@]}" weston-flower >"$scratch/a.log" 2>&1 &
a=$!
pids+=("$a")
expect "first application opened, rule by executable name" 2 "$a" org.freedesktop.weston.flower
env "${wayland[@]}" weston-clickdot >"$scratch/b.log" 2>&1 &
b=$!
pids+=("$b")
expect "second application opened, rule by application id" 4 "$b" org.freedesktop.weston.wayland-clickdot
focus "$a" -
expect "focus back on the first application" 2 "$a" org.freedesktop.weston.flower
focus "$b" -
expect "focus on the second application" 4 "$b" org.freedesktop.weston.wayland-clickdot

# The program's own window: reported, and still the second application's profile well after the
# hold time, although the default profile would apply to any other program.
sent=$(rates | wc -l)
before=$(activations | grep -c "^$own mousecfg\$")
focus "$own" -
own_reported() { [ "$(activations | grep -c "^$own mousecfg\$")" -gt "$before" ]; }
wait_for 20 "the program's own window reported" own_reported
sleep 1.5
[ "$(rates | wc -l)" -eq "$sent" ] || fail "focusing the program's own window sent a report rate: $(rates | tail -n 1)"
echo "ok: the program's own window keeps the profile"
focus "$a" -
expect "from the program's window to the first application" 2 "$a" org.freedesktop.weston.flower

# An X11 program through Xwayland that names no process: its class alone chooses.
xwayland=$(pgrep -P "$kwin_pid" Xwayland || true)
[ -n "$xwayland" ] || fail "no Xwayland child of the compositor"
display=$(tr '\0' '\n' <"/proc/$xwayland/cmdline" | grep -m 1 '^:' || true)
[ -n "$display" ] || fail "no display on the Xwayland command line"
DISPLAY=$display xmessage -name xmessage "X11 window" >"$scratch/x.log" 2>&1 &
x=$!
pids+=("$x")
expect "X11 application opened, rule by class" 4 0 xmessage
echo "all KWin checks passed"
