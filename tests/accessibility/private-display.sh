# Sourced by the screen-reader harnesses: a scratch folder, a private X server and a copy of the
# program in the scratch (so that the profiles and macros it saves stay there). Needs $program
# and $vmouse; sets $scratch and $display; the window manager's pid goes into $wmpid.
scratch=$(mktemp -d)
xpid= wmpid=
cleanup() {
  [ -n "$wmpid" ] && kill "$wmpid" 2>/dev/null && wait "$wmpid" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to descriptor 3, here a FIFO.
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xpid=$!
display=
read -r -t 20 display <"$scratch/display" || true
[ -n "$display" ] || { echo "Xvfb gave no display"; cat "$scratch/xvfb.log"; exit 1; }

mkdir -p "$scratch/app"
cp "$program" "$scratch/app/mousecfg"
cp -r "$(dirname "$program")"/{data,i18n,fonts} "$scratch/app/"
cp "$vmouse" "$scratch/libvmouse.so"
