#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root (dpkg -x: the machine is not changed)
# and runs the installed programs as an unprivileged user, with the virtual mouse preloaded.
# The settings must land in that user's config directory and nothing may change under the root.
# Usage: tests/packaging/run-package-test.sh  (as root; MOUSECFG_PACKAGE_BUILD picks the build dir)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build="${MOUSECFG_PACKAGE_BUILD:-$top/build-package}"
user=mousecfg-test
mouse=f0e1:7a01:ff00:1:ff01:1:32

passed=0
failed=0
check() { # check "what" command...
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what" >&2; fi
}

[ "$(id -u)" -eq 0 ] || { echo "run-package-test: needs root (creates the test user)" >&2; exit 1; }
# Its whole output is kept: a failed build says why on standard output.
packlog=$(mktemp)
if ! MOUSECFG_PACKAGE_BUILD="$build" "$top/scripts/package" >"$packlog" 2>&1; then
  echo "run-package-test: building the package failed:" >&2
  tail -n 60 "$packlog" >&2
  rm -f "$packlog"
  exit 1
fi
deb=$(tail -n 1 "$packlog")
rm -f "$packlog"
[ -f "$deb" ] || { echo "run-package-test: no package built" >&2; exit 1; }

id -u "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$user"
home=$(getent passwd "$user" | cut -d: -f6)
config="$home/.config/mousecfg"
rm -rf "$config"

scratch=$(mktemp -d /tmp/mousecfg-package-test.XXXXXX)
gui_pid=""
server_pids=()
cleanup() {
  if [ -n "$gui_pid" ]; then
    pkids=$(pgrep -P "$gui_pid" || true)
    [ -n "$pkids" ] && kill -KILL $pkids 2>/dev/null || true
  fi
  for pid in "${server_pids[@]}"; do
    pkids=$(pgrep -P "$pid" || true)
    kill -TERM "$pid" $pkids 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT
chmod 755 "$scratch"
root="$scratch/root"
dpkg -x "$deb" "$root"
# What the user may read but the package does not hold.
install -m 755 "$build/lib/libvmouse.so" "$scratch/libvmouse.so"
install -m 644 "$top/tests/data/qt5-written/exchange.mc" "$scratch/exchange.mc"

# --- contents ---
contents=$(dpkg-deb -c "$deb")
for f in usr/bin/mousecfg-cli usr/share/mousecfg/data/apConfig.bin usr/share/mousecfg/data/pD.bin \
         usr/share/mousecfg/i18n/English.ini usr/share/mousecfg/i18n/ChineseSimplified.ini \
         usr/lib/udev/rules.d/70-mousecfg.rules usr/share/applications/mousecfg.desktop \
         usr/share/icons/hicolor/scalable/apps/mousecfg.svg usr/share/man/man1/mousecfg-cli.1.gz \
         usr/share/man/man1/mousecfg.1.gz usr/share/doc/mousecfg/copyright usr/share/doc/mousecfg/changelog.gz \
         etc/xdg/autostart/mousecfg.desktop; do
  check "package holds $f" test -e "$root/$f"
done
check "copyright names the licence" grep -q "^License: GPL-3.0-or-later" "$root/usr/share/doc/mousecfg/copyright"
check "licence in the repository" grep -q "GNU GENERAL PUBLIC LICENSE" "$top/LICENSE"
check "man pages compressed and readable" bash -c 'for m in "$1"/usr/share/man/man1/*; do case "$m" in *.gz) gzip -t "$m" || exit 1;; *) exit 1;; esac; done' _ "$root"
check "no absolute symlink" bash -c '[ -z "$(find "$1" -type l -lname "/*")" ]' _ "$root"
autostart="$root/etc/xdg/autostart/mousecfg.desktop"
check "autostart entry starts hidden" grep -qx "Exec=mousecfg --hidden" "$autostart"
check "autostart entry valid" desktop-file-validate "$autostart"
check "autostart entry is a conffile" bash -c 'dpkg-deb -I "$1" conffiles | grep -qx /etc/xdg/autostart/mousecfg.desktop' _ "$deb"
metainfo=$(ls "$root"/usr/share/metainfo/*.metainfo.xml)
check "metainfo licence" grep -q "<project_license>GPL-3.0-or-later</project_license>" "$metainfo"
check "metainfo screenshots" bash -c '[ "$(grep -c "<screenshot" "$1")" -ge 3 ]' _ "$metainfo"
check "metainfo modalias per catalogue mouse" \
  bash -c '[ "$(grep -c "<modalias>usb:vF0E1p7A0[1-7]d\*</modalias>" "$1")" -eq 7 ]' _ "$metainfo"
# lintian: no error and no warning (informational tags are allowed).
lintian_log="$scratch/lintian.log"
lintian --allow-root --no-tag-display-limit "$deb" >"$lintian_log" 2>&1 || true
check "lintian: no error, no warning" bash -c '! grep -E "^[EW]: " "$1"' _ "$lintian_log"
grep -E "^[EW]: " "$lintian_log" >&2 || true
for size in 16 24 32 48 64 128 256; do
  check "icon ${size}x${size}" test -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/mousecfg.png"
done
# A relative link resolves as installed, not inside the scratch root.
font=usr/share/mousecfg/fonts/roboto-hinted/Roboto-Regular.ttf
if [ -L "$root/$font" ]; then
  check "font resolves once installed" test -r "$(realpath -m "/$(dirname "$font")/$(readlink "$root/$font")")"
else
  check "font shipped" test -r "$root/$font"
fi
check "no test program or virtual mouse in the package" \
  bash -c '! grep -Eq "vmouse|tst_|/data/p0\.bin|/data/macro\.bin" <<<"$1"' _ "$contents"
check "nothing beside the programs in bin/" bash -c '[ "$(ls "$1/usr/bin" | sort | tr "\n" " ")" = "$2" ]' _ \
  "$root" "$( (ls "$root/usr/bin" | grep -qx mousecfg && echo "mousecfg mousecfg-cli " ) || echo "mousecfg-cli ")"
fields=$(dpkg-deb -f "$deb" Depends Recommends)
check "library dependencies read from the binaries" grep -q "libhidapi-hidraw0" <<<"$fields"
check "Qt dependency" grep -q "libqt6core6" <<<"$fields"
check "CJK font recommended" grep -q "Recommends: fonts-noto-cjk" <<<"$fields"
check "Wayland platform plugin recommended" grep -q "qt6-wayland" <<<"$(dpkg-deb -f "$deb" Recommends)"
check "desktop entry valid" desktop-file-validate "$root/usr/share/applications/mousecfg.desktop"
check "metainfo valid" bash -c 'appstreamcli validate --no-net "$@" >/dev/null' _ "$root"/usr/share/metainfo/*.metainfo.xml
rules="$root/usr/lib/udev/rules.d/70-mousecfg.rules"
check "udev rule: one uaccess line per family" \
  bash -c '[ "$(grep -c "^SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"f0e1\", ATTRS{idProduct}==\"7a0[1-7]\", TAG+=\"uaccess\"$" "$1")" -eq 7 ]' _ "$rules"
check "udev rule: nothing but comments and rules" bash -c '! grep -Ev "^(#|SUBSYSTEM==\"hidraw\", ATTRS)" "$1"' _ "$rules"

# --- the installed programs, as the test user ---
before=$(cd "$root" && find . -printf '%p %s %m %T@ %l\n' | sort)
as_user() {
  (cd "$scratch" && runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
      QT_QPA_PLATFORM=offscreen LD_PRELOAD="$scratch/libvmouse.so" VMOUSE_DEVICES="$mouse" "$@")
}
out=$(as_user "$root/usr/bin/mousecfg-cli" apply 2>&1) && rc=0 || rc=$?
check "apply sends the profile (exit $rc)" bash -c '[ "$1" -eq 0 ] && grep -q "command(s) sent" <<<"$2"' _ "$rc" "$out"
[ "$rc" -eq 0 ] || echo "$out" >&2
out=$(as_user "$root/usr/bin/mousecfg-cli" status 2>&1) && rc=0 || rc=$?
check "status finds family 0 (exit $rc)" bash -c '[ "$1" -eq 0 ] && grep -q "family 0" <<<"$2"' _ "$rc" "$out"
out=$(as_user "$root/usr/bin/mousecfg-cli" import "$scratch/exchange.mc" 2>&1) && rc=0 || rc=$?
check "import into the user's macro store (exit $rc)" test "$rc" -eq 0
[ "$rc" -eq 0 ] || echo "$out" >&2
check "macro store in the config directory" test -s "$config/macro.bin"
out=$(as_user "$root/usr/bin/mousecfg-cli" udev-rule 2>&1) && rc=0 || rc=$?
check "udev-rule of the installed catalogue matches the shipped rule" \
  bash -c '[ "$1" -eq 0 ] && [ "$2" = "$(cat "$3")" ]' _ "$rc" "$out" "$rules"

if [ -x "$root/usr/bin/mousecfg" ]; then
  # The program saves profile 0 on SIGTERM as at a normal exit. runuser is started directly, so
  # its pid is known; the program is its child.
  cd "$scratch"
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
      LD_PRELOAD="$scratch/libvmouse.so" VMOUSE_DEVICES="$mouse" "$root/usr/bin/mousecfg" >"$scratch/gui.log" 2>&1 &
  gui_pid=$!
  cd "$top"
  for _ in $(seq 1 50); do
    grep -q "Device Connect" "$scratch/gui.log" 2>/dev/null && break
    sleep 0.2
  done
  sleep 1
  program_pid=$(pgrep -P "$gui_pid" -x mousecfg || true)
  check "the program started" test -n "$program_pid"
  [ -n "$program_pid" ] && kill -TERM "$program_pid"
  for _ in $(seq 1 50); do kill -0 "$gui_pid" 2>/dev/null || break; sleep 0.2; done
  if kill -0 "$gui_pid" 2>/dev/null; then
    check "the program ends on SIGTERM" false
    [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null
  fi
  wait "$gui_pid" 2>/dev/null || true
  gui_pid=""
  check "the program saves profile 0 in the config directory" test -s "$config/p0.bin"
  check "the saved profile keeps the user's macros" test -s "$config/macro.bin"
  [ -s "$config/p0.bin" ] || cat "$scratch/gui.log" >&2

  # gui_start LOG ENV... : the installed program (or the command in $gui_command) as the test
  # user, in the background; sets gui_pid (runuser) and program_pid once it has connected.
  runtime="$scratch/runtime"
  install -d -m 700 -o "$user" "$runtime"
  gui_start() {
    local log=$1; shift
    cd "$scratch"
    runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$runtime" \
        LD_PRELOAD="$scratch/libvmouse.so" VMOUSE_DEVICES="$mouse" "$@" >"$log" 2>&1 &
    gui_pid=$!
    cd "$top"
    for _ in $(seq 1 50); do
      grep -q "Device Connect" "$log" 2>/dev/null && break
      sleep 0.2
    done
    program_pid=$(pgrep -P "$gui_pid" -x mousecfg || true)
  }
  gui_stop() { # SIGTERM, then "ends" and "saves" checks under the name $1
    [ -n "$program_pid" ] && kill -TERM "$program_pid"
    for _ in $(seq 1 50); do kill -0 "$gui_pid" 2>/dev/null || break; sleep 0.2; done
    if kill -0 "$gui_pid" 2>/dev/null; then
      check "$1: the program ends on SIGTERM" false
      [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null
    fi
    wait "$gui_pid" 2>/dev/null || true
    gui_pid=""
    check "$1: profile 0 saved" test -s "$config/p0.bin"
  }

  # Wayland: a headless weston; the program must show a window there, end on SIGTERM and save.
  rm -f "$config/p0.bin"
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" \
      weston --backend=headless-backend.so --use-pixman --socket=wayland-mousecfg --idle-time=0 \
      >"$scratch/weston.log" 2>&1 &
  server_pids+=($!)
  for _ in $(seq 1 50); do [ -S "$runtime/wayland-mousecfg" ] && break; sleep 0.2; done
  check "weston runs" test -S "$runtime/wayland-mousecfg"
  gui_start "$scratch/wayland.log" QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=wayland-mousecfg WAYLAND_DEBUG=client \
      "$root/usr/bin/mousecfg"
  check "wayland: the program started" test -n "$program_pid"
  shown=0
  for _ in $(seq 1 50); do
    if grep -q "xdg_toplevel@[0-9]*\.set_title" "$scratch/wayland.log" \
       && grep -q "wl_surface@[0-9]*\.attach(wl_buffer" "$scratch/wayland.log"; then shown=1; break; fi
    sleep 0.2
  done
  check "wayland: the window shows (a toplevel with a buffer)" test "$shown" -eq 1
  check "wayland: the native platform, not XWayland" bash -c '! grep -q "qt.qpa.plugin: Could not" "$1"' _ "$scratch/wayland.log"
  gui_stop "wayland"
  [ "$shown" -eq 1 ] || grep -v "^\[" "$scratch/wayland.log" | tail -n 20 >&2

  # X11 session start: the autostart entry as the desktop runs it. It stays in the tray (no
  # window for the attached mouse) until the user starts the program again; the window's
  # class is the desktop entry's StartupWMClass.
  if command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xprop >/dev/null; then
    exec 7>"$scratch/display"
    Xvfb -displayfd 7 -nolisten tcp -screen 0 1280x1024x24 >"$scratch/xvfb.log" 2>&1 &
    server_pids+=($!)
    exec 7>&-
    for _ in $(seq 1 50); do [ -s "$scratch/display" ] && break; sleep 0.2; done
    display=":$(head -n 1 "$scratch/display")"
    exec_line=$(sed -n 's/^Exec=//p' "$autostart")
    read -r -a exec_words <<<"$exec_line"
    exec_words[0]="$root/usr/bin/${exec_words[0]}"
    gui_start "$scratch/autostart.log" DISPLAY="$display" QT_QPA_PLATFORM=xcb "${exec_words[@]}"
    check "autostart: the program started" test -n "$program_pid"
    sleep 1
    visible() { DISPLAY="$display" xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | head -n 1; }
    check "autostart: no window until the user opens it" test -z "$(visible)"
    runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$runtime" \
        DISPLAY="$display" QT_QPA_PLATFORM=xcb "$root/usr/bin/mousecfg" >"$scratch/second.log" 2>&1 || true
    wid=""
    for _ in $(seq 1 50); do wid=$(visible); [ -n "$wid" ] && break; sleep 0.2; done
    check "autostart: a second start opens the window" test -n "$wid"
    wm_class=$( [ -n "$wid" ] && DISPLAY="$display" xprop -id "$wid" WM_CLASS | sed 's/.*, "\(.*\)"$/\1/')
    wanted=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/mousecfg.desktop")
    check "StartupWMClass ($wanted) is the window's class ($wm_class)" test -n "$wanted" -a "$wanted" = "$wm_class"
    gui_stop "autostart"
  else
    echo "note: Xvfb, xdotool or xprop missing; autostart run not checked" >&2
    failed=$((failed + 1))
  fi
else
  echo "note: no mousecfg program was built; profile save not checked" >&2
fi
check "settings belong to the user" bash -c '[ -z "$(find "$1" ! -user "$2")" ]' _ "$config" "$user"
after=$(cd "$root" && find . -printf '%p %s %m %T@ %l\n' | sort)
check "nothing written under the prefix" test "$before" = "$after"
[ "$before" = "$after" ] || diff <(echo "$before") <(echo "$after") >&2 || true

rm -rf "$config"
echo "package test: $passed checks passed, $failed failed ($deb)"
[ "$failed" -eq 0 ]
