#!/usr/bin/env bash
# The real program under a private X server ends cleanly on SIGTERM, SIGINT and SIGHUP while
# a preview is open: the process ends and the page store's temporary file (LFP*.tmp) is gone.
# Each signal gets a run of its own, with a temporary folder of its own.
set -euo pipefail
exe=$1
build=$(cd "$(dirname "$exe")" && pwd)
caption="Systematic mineral label creation for the collector"
if ! command -v Xvfb >/dev/null; then
  echo "signals_xvfb: Xvfb is not installed, skipped"
  exit 0
fi
for tool in xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "signals_xvfb: $tool is missing"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "signals_xvfb: $*"
  echo "--- program output"; cat "$work/app.log" 2>/dev/null || true
  exit 1
}

mkdir "$work/app"
cp "$exe" "$work/app/"
for f in athena.txt labelcomplete.bmp labelclean.bmp labelreduced.bmp; do
  cp "$build/$f" "$work/app/"
done
printf '|Falun, Dalarna\r\n' >"$work/app/cachedloc.txt"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(tr -d '\n' <"$work/display")"
mkdir -m 700 "$work/runtime"

# Polls a condition (a command) every 50 ms for up to $1 seconds.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 20))); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}
visible() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
temporary_files() { find "$1" -maxdepth 1 -name 'LFP*.tmp' | wc -l; }
has_temporary_file() { [ "$(temporary_files "$1")" -ge 1 ]; }
ended() { ! kill -0 "$app_pid" 2>/dev/null; }

run_with_signal() {
  local sig=$1 tmp="$work/tmp-$1"
  mkdir "$tmp"
  (cd "$work/app" && exec env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$tmp" \
     "$work/app/$(basename "$exe")" >"$work/app.log" 2>&1) &
  app_pid=$!
  wait_for 20 visible "$caption" || fail "$sig: no main window"
  local id
  id=$(xdotool search --onlyvisible --name "^$caption\$" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  local menu=$((HEIGHT - 425))
  click() { xdotool mousemove $((X + 3 + $1)) $((Y + menu + 3 + $2)) click 1; }
  click 68 140 # "Add data to list" (beside the splash panel)
  # "Render and preview" lies under the splash panel until it hides: click until it opens.
  opened() { click 357 140; wait_for 1 visible "Print Preview"; }
  local deadline=$((SECONDS + 30))
  until opened; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$sig: no preview window"
  done
  wait_for 20 has_temporary_file "$tmp" || fail "$sig: the preview made no temporary page file"
  kill -"$sig" "$app_pid"
  wait_for 20 ended || fail "$sig: the program is still running"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
  [ "$(temporary_files "$tmp")" -eq 0 ] || fail "$sig: $(ls "$tmp") left behind"
  echo "signals_xvfb: SIG$sig ended the program and removed its temporary page file"
}

for sig in TERM INT HUP; do
  run_with_signal "$sig"
done
