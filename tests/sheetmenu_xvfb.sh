#!/usr/bin/env bash
# The window's Sheet menu and spreadsheet lists on a real X server: tst_sheetmenu run on the
# xcb platform under a private Xvfb, so the menus, the real file and number dialogs and the
# preview are real windows.
set -euo pipefail
source "$(dirname "$0")/support/xvfb.sh"
test_bin=$1
xvfb_prepare sheetmenu_xvfb

xvfb_start "$work" || exit 1
mkdir -m 700 "$work/runtime"

status=0
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" \
  "$test_bin" -o "$work/result.txt,txt" || status=$?
cat "$work/result.txt"
# A skipped function would not have been shown on the real server.
if grep -q '^SKIP' "$work/result.txt"; then
  echo "sheetmenu_xvfb: a test function skipped"
  status=1
fi
exit $status
