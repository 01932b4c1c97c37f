#!/usr/bin/env bash
# Runs one test in a bare environment of its own, as a desktop session would start a program:
# nothing comes from the shell that runs the tests (its bus, display, HOME, XDG folders,
# locale), nothing is written to the real HOME or /tmp/runtime-*, and files an installed
# package put in /etc/xdg or /usr/share change no result. A test that wants a bus or a display
# starts its own.
# Usage: isolated.sh [NAME=VALUE ...] program [arguments]
set -euo pipefail
scratch=$(mktemp -d "${TMPDIR:-/tmp}/mousecfg-test.XXXXXX")
cleanup() { rm -rf "$scratch"; }
trap cleanup EXIT
mkdir -p "$scratch"/{home/.config,home/.cache,home/.local/share,xdg-config,xdg-data,tmp}
mkdir -m 0700 "$scratch/run"

env=(PATH="${PATH:-/usr/sbin:/usr/bin:/sbin:/bin}" LANG=C.UTF-8
     HOME="$scratch/home" TMPDIR="$scratch/tmp" XDG_RUNTIME_DIR="$scratch/run"
     XDG_CONFIG_HOME="$scratch/home/.config" XDG_CACHE_HOME="$scratch/home/.cache"
     XDG_DATA_HOME="$scratch/home/.local/share"
     XDG_CONFIG_DIRS="$scratch/xdg-config" XDG_DATA_DIRS="$scratch/xdg-data"
     # No bus unless the test starts one: an unset address makes libdbus try to autolaunch one.
     DBUS_SESSION_BUS_ADDRESS=disabled: DBUS_SYSTEM_BUS_ADDRESS=disabled:)
# What the test run itself chooses: sanitizer settings and the project's own switches.
for name in $(compgen -e); do
  case "$name" in
    ASAN_OPTIONS|UBSAN_OPTIONS|LSAN_OPTIONS|CI|MOUSECFG_*) env+=("$name=${!name}") ;;
  esac
done
while [ $# -gt 0 ] && [[ "$1" == [A-Za-z_]*=* ]]; do
  env+=("$1")
  shift
done
status=0
env -i "${env[@]}" "$@" || status=$?
exit "$status"
