#!/usr/bin/env bash
# Automatic switching under the real sway, headless: the program (with the virtual mouse) and
# two other applications; sway moves the focus, and the report rate the virtual mouse receives
# says which profile the program chose. Twice: on the toplevel list alone (application id
# rules), then with sway's IPC (executable rules).
# Usage: run-sway-test.sh <mousecfg executable> <libvmouse.so>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
skip=77

if [ "${1:-}" != --inner ]; then
  program=$1 vmouse=$2
  for tool in sway swaymsg dbus-run-session weston-flower weston-clickdot; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed (scripts/deps test installs it)"
      # Where the test group was installed, a missing compositor is a fault, not a reason.
      [ -n "${CI:-}" ] && exit 1
      exit $skip
    fi
  done
  # Not under the test's TMPDIR: the user below could not reach into a folder of root's.
  scratch=$(mktemp -d /tmp/mousecfg-sway.XXXXXX)
  trap 'rm -rf "$scratch"' EXIT
  chmod 755 "$scratch"
  mkdir -p "$scratch"/{app,home,run}
  chmod 700 "$scratch/run"
  cp "$program" "$scratch/app/mousecfg"
  cp -r "$(dirname "$program")"/{data,i18n,fonts} "$scratch/app/"
  cp "$vmouse" "$scratch/libvmouse.so"
  run=()
  if [ "$(id -u)" -eq 0 ]; then
    # sway refuses to run as root: it, the clients and the program run as a user of the test's.
    user=mousecfg-sway
    id -u "$user" >/dev/null 2>&1 || useradd --no-create-home --home-dir /nonexistent --shell /bin/sh "$user"
    chown -R "$user" "$scratch"
    run=(runuser -u "$user" --)
  fi
  status=0
  "${run[@]}" env -i PATH="$PATH" LANG=C.UTF-8 HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run" \
      XDG_CONFIG_HOME="$scratch/home/.config" XDG_CACHE_HOME="$scratch/home/.cache" \
      dbus-run-session -- "$here/run-sway-test.sh" --inner "$scratch" || status=$?
  exit $status
fi

# Every check below says what failed and goes on; the logs follow at the end.
set +e
scratch=$2
app=$scratch/app
trace=$scratch/trace
failures=0
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# wait_for SECONDS DESCRIPTION COMMAND...: polls until COMMAND succeeds.
wait_for() {
  local limit=$1 what=$2
  shift 2
  local end=$((SECONDS + limit))
  until "$@"; do
    if [ $SECONDS -ge $end ]; then
      fail "$what (within $limit s)"
      return 1
    fi
    sleep 0.1
  done
}

cat >"$scratch/sway.config" <<'CONF'
xwayland disable
output HEADLESS-1 resolution 1280x800
CONF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  sway -c "$scratch/sway.config" >"$scratch/sway.log" 2>&1 &
sway_pid=$!
pids+=("$sway_pid")
sock=
for _ in $(seq 1 100); do
  sock=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -n 1) || true
  [ -n "$sock" ] && [ -S "$XDG_RUNTIME_DIR/wayland-1" ] && break
  kill -0 "$sway_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$sock" ]; then
  echo "SKIP: sway did not start headless here:"
  tail -n 20 "$scratch/sway.log"
  [ -n "${CI:-}" ] && exit 1
  exit 77
fi
export WAYLAND_DISPLAY=wayland-1 SWAYSOCK=$sock
tree() { swaymsg -t get_tree; }
has_window() { tree | grep -q "\"pid\": $1,"; }
focused_pid() { tree | python3 -c '
import json, sys
def walk(n):
    if n.get("focused") and "pid" in n:
        print(n["pid"])
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(json.load(sys.stdin))'; }
focus() {
  swaymsg "[pid=$1] focus" >/dev/null
  wait_for 5 "sway focused process $1" bash -c '[ "$(focused_pid)" = "$0" ]' "$1"
}
export -f tree focused_pid has_window

# The profiles: the default one (also for programs without a rule) and two with report rates
# no other profile has, so the rate on the wire tells which one the mouse holds.
data=$app/data
mkdir -p "$data"
sed 's/^reportRate=.*/reportRate=8/' "$data/pD.bin" >"$data/p0.bin"
sed 's/^reportRate=.*/reportRate=1/' "$data/pD.bin" >"$data/p1.bin"
sed 's/^reportRate=.*/reportRate=4/' "$data/pD.bin" >"$data/p2.bin"
write_index() {
  cat >"$data/profiles.ini" <<INI
[profiles]
order=0, 1, 2
active=0
default=0

[names]
0=Standard
1=One
2=Two

[rules]
1\\program=$1
1\\profile=1
2\\program=$2
2\\profile=2
size=2
INI
}
last_rate() { sed -n 's/.*# report-rate \([0-9]*\).*/\1/p' "$trace" 2>/dev/null | tail -n 1; }
rate_count() { grep -c '# report-rate ' "$trace" 2>/dev/null || true; }
export -f last_rate rate_count
export trace

# The two other applications, plain Wayland clients of their own executables.
weston-flower >"$scratch/flower.log" 2>&1 &
flower=$!
pids+=("$flower")
weston-clickdot >"$scratch/clickdot.log" 2>&1 &
clickdot=$!
pids+=("$clickdot")
wait_for 20 "both applications have a window" bash -c "has_window $flower && has_window $clickdot" || exit 1

# phase NAME SWAYSOCK: starts the program, moves the focus, checks the mouse, ends the program.
phase() {
  local name=$1 ipc=$2
  local started=$SECONDS
  rm -f "$trace"
  (cd "$app" && exec env SWAYSOCK="$ipc" XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway \
      QT_QPA_PLATFORM=wayland LD_PRELOAD="$scratch/libvmouse.so" VMOUSE_TRACE="$trace" \
      ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 ./mousecfg) >"$scratch/program-$name.log" 2>&1 &
  local program=$!
  pids+=("$program")
  wait_for 30 "$name: the program sent its profile and shows its window" \
    bash -c "[ -n \"\$(last_rate)\" ] && has_window $program" || return 1
  local start_rate
  start_rate=$(last_rate)
  [ "$start_rate" = 8 ] || fail "$name: the mouse started with rate $start_rate, not the active profile's 8"

  focus "$flower"
  wait_for 10 "$name: focus on weston-flower switched to One (rate 1)" bash -c '[ "$(last_rate)" = 1 ]'
  focus "$clickdot"
  wait_for 10 "$name: focus on weston-clickdot switched to Two (rate 4)" bash -c '[ "$(last_rate)" = 4 ]'
  local before
  before=$(rate_count)
  focus "$program"
  # The program's own window is no other program: the default profile would be Standard.
  sleep 1.5
  [ "$(rate_count)" = "$before" ] || fail "$name: focus on the program's own window changed the profile (rate $(last_rate))"
  focus "$flower"
  wait_for 10 "$name: focus on weston-flower after the program's window switched to One" bash -c '[ "$(last_rate)" = 1 ]'

  kill "$program"
  wait "$program" 2>/dev/null || true
  echo "$name: $((SECONDS - started)) s"
}

write_index org.freedesktop.weston.flower org.freedesktop.weston.wayland-clickdot
phase toplevel-list ""
write_index "$(command -v weston-flower)" weston-clickdot
phase sway-ipc "$sock"

if [ $failures -ne 0 ]; then
  for f in "$scratch"/program-*.log "$scratch/sway.log"; do
    echo "--- $f"
    tail -n 30 "$f"
  done
  echo "$failures failure(s)"
  exit 1
fi
echo "the profile followed the focus under sway, on the toplevel list and on sway's IPC"
