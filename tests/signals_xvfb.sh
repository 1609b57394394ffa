#!/usr/bin/env bash
# The real program under a private X server ends cleanly on SIGTERM, SIGINT and SIGHUP while
# a preview is open: the process ends and the page store's temporary file (LFP*.tmp) is gone.
# Each signal gets a run of its own, with its own X server, program folder and temporary
# folder; the three runs go side by side, as most of each is waiting for the program.
set -euo pipefail
source "$(dirname "$0")/support/xvfb.sh"
exe=$1
build=$(cd "$(dirname "$exe")" && pwd)
caption="Systematic mineral label creation for the collector"
xvfb_prepare signals_xvfb xdotool xwininfo
on_exit() { [ -z "$(jobs -p)" ] || kill $(jobs -p) 2>/dev/null; }

# A window of the program with that caption is shown.
visible() { xdotool search --all --onlyvisible --pid "$app_pid" --name "^$1\$" >/dev/null 2>&1; }
temporary_files() { find "$1" -maxdepth 1 -name 'LFP*.tmp' | wc -l; }
has_temporary_file() { [ "$(temporary_files "$1")" -ge 1 ]; }
ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# One run, meant for a subshell of its own (its exit trap ends its program and server).
run_with_signal() {
  local sig=$1 run="$work/$1"
  mkdir -p "$run/app" "$run/tmp"
  mkdir -m 700 "$run/runtime"
  app_pid=""
  trap '[ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null; xvfb_stop' EXIT
  fail() {
    echo "signals_xvfb: SIG$sig: $*"
    echo "--- program output"; cat "$run/app.log" 2>/dev/null || true
    exit 1
  }
  cp "$exe" "$run/app/"
  for f in athena.txt labelcomplete.bmp labelclean.bmp labelreduced.bmp; do
    cp "$build/$f" "$run/app/"
  done
  printf '|Falun, Dalarna\r\n' >"$run/app/cachedloc.txt"
  xvfb_start "$run" || fail "no X server"

  # The splash, which covers "Render and preview", goes after a tenth of its time.
  (cd "$run/app" && exec env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$run/runtime" TMPDIR="$run/tmp" \
     QLX_TIMELINE_SCALE=0.1 "$run/app/$(basename "$exe")" >"$run/app.log" 2>&1) &
  app_pid=$!
  wait_until 20 visible "$caption" || fail "no main window"
  local id
  id=$(xdotool search --all --onlyvisible --pid "$app_pid" --name "^$caption\$" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  local menu=$((HEIGHT - 425))
  click() { xdotool mousemove $((X + 3 + $1)) $((Y + menu + 3 + $2)) click 1; }
  click 68 140 # "Add data to list" (beside the splash panel)
  # "Render and preview" lies under the splash panel until it hides: click until it opens.
  opened() { click 357 140; wait_until 1 visible "Print Preview"; }
  local deadline=$((SECONDS + 30))
  until opened; do
    [ "$SECONDS" -lt "$deadline" ] || fail "no preview window"
  done
  wait_until 20 has_temporary_file "$run/tmp" || fail "the preview made no temporary page file"
  kill -"$sig" "$app_pid"
  wait_until 20 ended || fail "the program is still running"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
  [ "$(temporary_files "$run/tmp")" -eq 0 ] || fail "$(ls "$run/tmp") left behind"
  echo "signals_xvfb: SIG$sig ended the program and removed its temporary page file"
}

runs=()
for sig in TERM INT HUP; do
  run_with_signal "$sig" >"$work/$sig.result" 2>&1 &
  runs+=("$sig:$!")
done
status=0
for entry in "${runs[@]}"; do
  wait "${entry#*:}" || status=1
  cat "$work/${entry%%:*}.result"
done
exit $status
