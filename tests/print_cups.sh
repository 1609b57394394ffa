#!/usr/bin/env bash
# Prints through a private CUPS spooler with a file-backed queue and checks the page that
# comes out (tst_printcups does the printing and the checking).
# Usage: print_cups.sh TEST_BINARY [together|apart]: the test functions in one process, or
# each in a process of its own (for sanitizer builds, see below).
set -euo pipefail
# A test that cannot run here exits 77, which ctest shows as skipped, never as passed.
test_bin=$1
mode=${2:-together}
cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
if [ ! -x "$cupsd" ]; then
  echo "print_cups: cupsd is not installed, skipped"
  exit 77
fi
for tool in lpadmin lpstat gs; do
  command -v "$tool" >/dev/null || { echo "print_cups: $tool is missing"; exit 1; }
done

# In the test's own temporary folder, unless the spooler's socket path would grow too long there
# or the folder lies under /dev (the memory file system /dev/shm): the spooler takes a file under
# /dev for a device and does not create the queue's output file there.
tmp=${TMPDIR:-/tmp}
[ ${#tmp} -le 80 ] || tmp=/tmp
case $tmp in /dev/*) tmp=/tmp ;; esac
W=$(mktemp -d "$tmp/qlxcups.XXXXXX")
chmod 755 "$W"
mkdir -p "$W"/{etc,spool,tmp,cache,state,log,out,runtime}
# The filters run as another user: they need to write the temporary folder and the output.
chmod 1777 "$W/tmp" "$W/out"
chmod 700 "$W/runtime"
cupsd_pid=""
cleanup() {
  if [ -n "$cupsd_pid" ]; then
    kill -TERM "$cupsd_pid" 2>/dev/null || true
    wait "$cupsd_pid" 2>/dev/null || true
  fi
  rm -rf "$W"
}
trap cleanup EXIT

cat >"$W/etc/cups-files.conf" <<CONF
FileDevice Yes
SystemGroup root
ServerRoot $W/etc
RequestRoot $W/spool
TempDir $W/tmp
CacheDir $W/cache
StateDir $W/state
AccessLog $W/log/access_log
ErrorLog $W/log/error_log
PageLog $W/log/page_log
CONF
cat >"$W/etc/cupsd.conf" <<CONF
Listen $W/cups.sock
PageLogFormat %p %j %P %C %{job-name}
Browsing No
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

"$cupsd" -f -c "$W/etc/cupsd.conf" -s "$W/etc/cups-files.conf" &
cupsd_pid=$!
export CUPS_SERVER="$W/cups.sock"
for _ in $(seq 200); do [ -S "$CUPS_SERVER" ] && break; sleep 0.05; done
[ -S "$CUPS_SERVER" ] || { echo "print_cups: cupsd did not start"; cat "$W/log/error_log" 2>/dev/null; exit 1; }

# Two queues (a raw queue would write nothing), the second to see that a job goes to the
# printer chosen rather than the default. Their PPD, a file of the tests' own, takes PDF: the
# spooler's PDF filter applies the job's pages, copies and paper, and the queue's file holds
# the PDF it made (a PostScript queue costs a Ghostscript conversion per job, and
# lpadmin -m drv:///sample.drv/generic.ppd has the spooler compile a driver, most of a second).
ppd="$(cd "$(dirname "$0")" && pwd)/data/pdf-queue.ppd"
lpadmin -p labels -E -v "file://$W/out/labels.prn" -P "$ppd" 2>/dev/null
lpadmin -p spare -E -v "file://$W/out/spare.prn" -P "$ppd" 2>/dev/null
lpadmin -d labels
unset PRINTER LPDEST

# One spooler serves every test function; each function starts from an empty queue file and
# counts the jobs it adds. In a sanitizer build each function runs in a process of its own:
# after several print jobs in one process, LeakSanitizer's own stop-the-world tracer crashes at
# exit (signal 11 inside the sanitizer, not in our code), while every function alone is
# checked for leaks cleanly.
# A function that skips fails the run: here every one has what it needs.
status=0
functions=$(QT_QPA_PLATFORM=offscreen "$test_bin" -functions | sed -n 's/()$//p')
[ -n "$functions" ] || { echo "print_cups: no test functions in $test_bin"; exit 1; }
run() {
  QLX_CUPS_OUT="$W/out/labels.prn" QLX_CUPS_SPARE="$W/out/spare.prn" \
    QLX_CUPS_PAGELOG="$W/log/page_log" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$W/runtime" \
    "$test_bin" "$@" -o "$W/result.txt,txt" || status=$?
  cat "$W/result.txt"
  cat "$W/result.txt" >>"$W/results.txt"
}
if [ "$mode" = apart ]; then
  for fn in $functions; do
    run "$fn"
  done
else
  run
fi
for fn in $functions; do
  # a table-driven function passes row by row: "fn(row)"
  grep -q '^PASS   : PrintCupsTest::'"$fn"'(' "$W/results.txt" || status=1
done
if grep -q '^SKIP' "$W/results.txt"; then
  echo "print_cups: a test function skipped"
  status=1
fi
if [ $status -ne 0 ]; then
  echo "--- cupsd error log"
  tail -n 40 "$W/log/error_log" 2>/dev/null || true
fi
exit $status
