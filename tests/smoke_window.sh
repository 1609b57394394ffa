#!/usr/bin/env bash
# Starts the real program under a private X server and waits for its main window.
set -euo pipefail
exe=$1
caption="Systematic mineral label creation for the collector"
command -v Xvfb >/dev/null || { echo "Xvfb is missing"; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# -displayfd lets the server pick a free display number and tell us which.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
display=":$(tr -d '\n' <"$work/display")"

mkdir -m 700 "$work/runtime"
(cd "$(dirname "$exe")" && exec env -u QT_QPA_PLATFORM DISPLAY="$display" XDG_RUNTIME_DIR="$work/runtime" \
   "$exe" >"$work/app.log" 2>&1) &
app_pid=$!

for _ in $(seq 200); do
  if DISPLAY="$display" xwininfo -root -tree 2>/dev/null | grep -qF "\"$caption\""; then
    echo "window \"$caption\" is up"
    kill -0 "$app_pid"
    exit 0
  fi
  sleep 0.05
done
echo "no window captioned \"$caption\" appeared"; cat "$work/app.log"
exit 1
