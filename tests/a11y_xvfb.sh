#!/usr/bin/env bash
# The window as a screen reader meets it, on a real X server: the program runs on the xcb
# platform with its accessibility bridge, in a session bus of its own with the AT-SPI bus
# (at-spi2-core), and tests/support/a11y_tree.py reads the tree through pyatspi, checks that
# every control on screen has a name in the window's words, and works the window by keys.
set -euo pipefail
source "$(dirname "$0")/support/xvfb.sh"
exe=$1
build=$(cd "$(dirname "$exe")" && pwd)
checker="$(cd "$(dirname "$0")" && pwd)/support/a11y_tree.py"
xvfb_prepare a11y_xvfb dbus-run-session xdotool
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || fail "python3-pyatspi is missing (scripts/install-deps)"
[ -x /usr/libexec/at-spi-bus-launcher ] || fail "at-spi2-core is missing (scripts/install-deps)"

mkdir "$work/app"
cp "$exe" "$work/app/"
for f in athena.txt labelcomplete.bmp labelclean.bmp labelreduced.bmp; do
  cp "$build/$f" "$work/app/"
done
: >"$work/app/cachedloc.txt"

xvfb_start "$work" || fail "no X server"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work"

# Inside the session bus: the program (the bridge always on, so that it does not wait for a
# reader to ask), then the checker; the program is ended when the checker is done.
cat >"$work/session.sh" <<SESSION
set -u
cd "$work/app"
env -u QT_QPA_PLATFORM QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  QT_ACCESSIBILITY=1 QLX_TIMELINE_SCALE=0.1 "./$(basename "$exe")" >"$work/app.log" 2>&1 &
app=\$!
status=0
/usr/bin/python3 "$checker" || status=\$?
kill \$app 2>/dev/null
wait \$app 2>/dev/null
exit \$status
SESSION
dbus-run-session -- bash "$work/session.sh" || fail "the accessibility tree check failed"
