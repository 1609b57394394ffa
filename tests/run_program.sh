#!/usr/bin/env bash
# `make run` without a usable display says so in one line and fails, instead of letting Qt
# abort with its own screenful: no DISPLAY at all, and a DISPLAY whose server does not answer.
set -euo pipefail
exe=$1
script="$(cd "$(dirname "$0")/.." && pwd)/scripts/run-program"
command -v xdpyinfo >/dev/null || { echo "run_program: xdpyinfo is missing"; exit 1; }

# A display number with no server behind it.
dead=""
for n in $(seq 171 199); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    dead=":$n"
    break
  fi
done
[ -n "$dead" ] || { echo "run_program: no free display number"; exit 1; }

check() {
  local what=$1 expected=$2
  shift 2
  local err status=0
  err=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$script" "$exe" 2>&1 >/dev/null) || status=$?
  [ "$status" -eq 1 ] || { echo "run_program: $what: exit status $status"; echo "$err"; exit 1; }
  [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || { echo "run_program: $what: not one line:"; echo "$err"; exit 1; }
  case "$err" in
    *"$expected"*) echo "run_program: $what: $err" ;;
    *) echo "run_program: $what: unexpected message: $err"; exit 1 ;;
  esac
}

check "no display" "DISPLAY is not set" -u DISPLAY
check "dead display" "the display $dead does not answer" DISPLAY="$dead"
