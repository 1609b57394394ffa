# Sourced by the scripts that need a real X server of their own.
#
# xvfb_prepare NAME TOOL... is such a script's start: without Xvfb it skips (exit 77, which ctest
# shows as skipped), a missing TOOL fails it, and it makes the script's folder $work with an exit
# trap that runs the script's own on_exit function (when it defines one), ends the server and
# removes $work. fail MESSAGE says what went wrong, with the program's output ($work/app.log).
#
# xvfb_start FOLDER starts a private Xvfb (1280x1024, 24 bits, no TCP; -noreset, so the server
# does not restart when a short-lived client such as xwininfo disconnects), logging to
# FOLDER/xvfb.log, and exports DISPLAY once the server takes connections. It fails when the
# server has not come up within 10 s. xvfb_stop ends the server; a caller's exit trap runs it.
xvfb_pid=""
xvfb_name=""
work=""

xvfb_prepare() {
  xvfb_name=$1
  shift
  if ! command -v Xvfb >/dev/null; then
    echo "$xvfb_name: Xvfb is not installed, skipped"
    exit 77
  fi
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$xvfb_name: $tool is missing"; exit 1; }
  done
  work=$(mktemp -d)
  trap xvfb_cleanup EXIT
}

xvfb_cleanup() {
  if declare -F on_exit >/dev/null; then on_exit || true; fi
  xvfb_stop
  wait 2>/dev/null || true
  # A test may have made parts of its folder read-only.
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}

fail() {
  echo "$xvfb_name: $*"
  if [ -f "$work/app.log" ]; then
    echo "--- program output"
    cat "$work/app.log"
  fi
  exit 1
}

xvfb_start() {
  local folder=$1 number=""
  rm -f "$folder/xvfb.display"
  mkfifo "$folder/xvfb.display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"$folder/xvfb.display" >"$folder/xvfb.log" 2>&1 &
  xvfb_pid=$!
  # The server writes its display number when it is ready; the read waits for exactly that,
  # and ends early with nothing when the server ends first.
  read -r -t 10 number <"$folder/xvfb.display" || true
  rm -f "$folder/xvfb.display"
  if [ -z "$number" ]; then
    echo "Xvfb did not start:"
    cat "$folder/xvfb.log" 2>/dev/null || true
    return 1
  fi
  export DISPLAY=":$number"
}

xvfb_stop() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}

# wait_until SECONDS CHECK...: runs the check every 50 ms until it holds; fails when it has
# not held within SECONDS (by the clock, however long each check takes). wait_every STEP
# SECONDS CHECK... does the same every STEP seconds, for a check that costs a screenshot.
wait_until() {
  wait_every 0.05 "$@"
}

wait_every() {
  local step=$1 deadline=$((${EPOCHREALTIME//[.,]/} + $2 * 1000000))
  shift 2
  until "$@"; do
    [ "${EPOCHREALTIME//[.,]/}" -lt "$deadline" ] || return 1
    sleep "$step"
  done
}
