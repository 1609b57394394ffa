#!/usr/bin/env bash
# The window's Sheet menu and spreadsheet lists on a real X server: tst_sheetmenu run on the
# xcb platform under a private Xvfb, so the menus, the real file and number dialogs and the
# preview are real windows.
set -euo pipefail
test_bin=$1
if ! command -v Xvfb >/dev/null; then
  echo "sheetmenu_xvfb: Xvfb is not installed, skipped"
  exit 77
fi
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "sheetmenu_xvfb: Xvfb did not start"; exit 1; }
mkdir -m 700 "$work/runtime"

status=0
DISPLAY=":$(tr -d '\n' <"$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" \
  "$test_bin" -o "$work/result.txt,txt" || status=$?
cat "$work/result.txt"
# A skipped function would not have been shown on the real server.
if grep -q '^SKIP' "$work/result.txt"; then
  echo "sheetmenu_xvfb: a test function skipped"
  status=1
fi
exit $status
