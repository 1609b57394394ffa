#!/usr/bin/env bash
# Start-up to the window shown: the real program and an empty Qt Widgets window, each started
# the same way under one private X server, taking turns, RUNS times each. Prints one JSON
# object with every time in milliseconds, from the launch to the window being viewable.
# Usage: bench/startup.sh BUILD_DIR [RUNS]
set -euo pipefail
source "$(dirname "$0")/../tests/support/xvfb.sh"
build=$(cd "$1" && pwd)
runs=${2:-7}
program="$build/qlxrender"
empty="$build/bench/empty_window"
caption="Systematic mineral label creation for the collector"
empty_caption="Empty reference window"
command -v Xvfb >/dev/null || { echo '{"error":"Xvfb is missing"}'; exit 0; }

work=$(mktemp -d)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  xvfb_stop
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

xvfb_start "$work" >/dev/null || { echo '{"error":"Xvfb did not start"}'; exit 0; }
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
unset QT_QPA_PLATFORM

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Starts one program from its own folder and prints the milliseconds until a window with
# the caption is viewable; the program is ended afterwards.
time_to_window() {
  local exe=$1 title=$2 start end
  start=$(now_ms)
  (cd "$(dirname "$exe")" && exec "$exe" >"$work/app.log" 2>&1) &
  app_pid=$!
  for _ in $(seq 2000); do
    if xwininfo -name "$title" 2>/dev/null | grep -q "IsViewable"; then
      end=$(now_ms)
      kill "$app_pid" 2>/dev/null || true
      wait "$app_pid" 2>/dev/null || true
      app_pid=""
      echo $((end - start))
      return 0
    fi
  done
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
  echo -1
}

# One warm-up of each, so both start from a warm file cache.
time_to_window "$program" "$caption" >/dev/null
time_to_window "$empty" "$empty_caption" >/dev/null
program_ms=()
empty_ms=()
for _ in $(seq "$runs"); do
  program_ms+=("$(time_to_window "$program" "$caption")")
  empty_ms+=("$(time_to_window "$empty" "$empty_caption")")
done
join() { local IFS=,; echo "$*"; }
echo "{\"qlxrender_ms\":[$(join "${program_ms[@]}")],\"empty_window_ms\":[$(join "${empty_ms[@]}")]}"
