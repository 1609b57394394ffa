# Sourced by the scripts that need a real X server of their own.
#
# xvfb_start FOLDER starts a private Xvfb (1280x1024, 24 bits, no TCP; -noreset, so the server
# does not restart when a short-lived client such as xwininfo disconnects), logging to
# FOLDER/xvfb.log, and exports DISPLAY once the server takes connections. It fails when the
# server has not come up within 10 s. xvfb_stop ends the server; a caller's exit trap runs it.
xvfb_pid=""

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
# not held within SECONDS (by the clock, however long each check takes).
wait_until() {
  local deadline=$((${EPOCHREALTIME//[.,]/} + $1 * 1000000))
  shift
  until "$@"; do
    [ "${EPOCHREALTIME//[.,]/}" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
