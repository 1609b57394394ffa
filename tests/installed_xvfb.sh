#!/usr/bin/env bash
# The installed program under a private X server, its prefix made read-only: the locality
# cache goes to the user's data folder ($XDG_DATA_HOME/quillmar), a locality added in one run
# completes in the next, the installed defaults stay as installed; the same for a read-only
# copy of the program's folder; and `qlxrender FILE.LFP` opens the report in the preview.
set -euo pipefail
source "$(dirname "$0")/support/xvfb.sh"
exe=$1
build=$(cd "$(dirname "$exe")" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
caption="Systematic mineral label creation for the collector"
xvfb_prepare installed_xvfb xdotool import convert identify
app_pid=""
on_exit() { [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
# A folder copy of the program beside its data, as a build folder is laid out.
mkdir "$work/copy"
cp "$prefix/bin/qlxrender" "$prefix/share/quillmar/"* "$work/copy/"
chmod -R a-w "$prefix" "$work/copy"
# Root may write anyway; the program goes by the permission bits, and so does this note.
if [ "$(id -u)" -eq 0 ]; then
  echo "installed_xvfb: running as root: the trees have no write bits, which the program honours"
fi
export XDG_DATA_HOME="$work/xdg" HOME="$work/home"
mkdir "$HOME" "$work/elsewhere"
cache="$XDG_DATA_HOME/quillmar/cachedloc.txt"

# Too many files is a usage error, before any window.
status=0
QT_QPA_PLATFORM=offscreen "$prefix/bin/qlxrender" a.LFP b.LFP 2>"$work/usage" || status=$?
[ "$status" -eq 2 ] || fail "two files: exit status $status"
grep -q "one report file at most" "$work/usage" || fail "two files: $(cat "$work/usage")"

xvfb_start "$work" || fail "no X server"
mkdir -m 700 "$work/runtime"

visible() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# Starts the program (from a folder that holds no data files) and waits until its deferred
# load has put the stock background up, which it finds only among the installed defaults. The
# program's timers run at a tenth of their intervals: nothing here waits for the splash.
start() {
  (cd "$work/elsewhere" && exec env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" \
     QLX_TIMELINE_SCALE=0.1 "$@" >"$work/app.log" 2>&1) &
  app_pid=$!
  wait_until 10 visible "$caption" || fail "no window captioned \"$caption\""
  main_id=$(xdotool search --onlyvisible --name "^$caption\$" | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$main_id")"
  menu=$((HEIGHT - 425))
  [ -n "${no_wait_for_load:-}" ] || wait_until 10 background_shown ||
    fail "the label background was not loaded"
}
background_shown() {
  import -window "$main_id" -crop "137x65+$((3 + 432))+$((menu + 3 + 275))" +repage "$work/area.png" &&
    [ "$(identify -format '%k' "$work/area.png")" -gt 8 ]
}
stop() {
  kill -TERM "$app_pid"
  wait_until 10 ended || fail "the program did not end"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}
click_control() {
  xdotool mousemove --sync "$((X + 3 + $1 + $3 / 2))" "$((Y + menu + 3 + $2 + $4 / 2))" click 1
}
# One record: mineral, then the locality as typed (Enter completes it when asked to). The
# program takes the X events in the order they are sent, so the keys go without xdotool's
# default pause between them.
add_record() {
  click_control 72 24 121 21
  xdotool key --delay 0 ctrl+a
  xdotool type --delay 0 "$1"
  xdotool key --delay 0 Return Tab ctrl+a
  xdotool type --delay 0 "$2"
  [ "${3:-}" = complete ] && xdotool key --delay 0 Return
  click_control 16 128 105 25 # "Add data to list"
}
has_line() { [ -f "$cache" ] && tr -d '\r' <"$cache" | grep -qx "$1"; }
unchanged_defaults() {
  for f in "$source_dir"/data/*; do
    cmp -s "$f" "$prefix/share/quillmar/$(basename "$f")" || fail "installed $(basename "$f") changed"
    cmp -s "$f" "$work/copy/$(basename "$f")" || fail "the copy's $(basename "$f") changed"
  done
  [ "$(ls "$prefix/bin")" = "$(printf 'qlxrender\nqlxsheet')" ] || fail "files appeared in bin/"
}

# First run: a new locality is cached in the user's folder.
start "$prefix/bin/qlxrender"
# Docks group the window with its launcher by the launcher's StartupWMClass, which must be the
# class the window carries (Qt gives it the application's name).
wm_class=$(sed -n 's/^StartupWMClass=//p' "$prefix/share/applications/org.quillmar.MineralLabelStudio.desktop")
[ -n "$wm_class" ] || fail "the launcher has no StartupWMClass"
xprop -id "$main_id" WM_CLASS | grep -qF ", \"$wm_class\"" ||
  fail "the window's class is not the launcher's \"$wm_class\": $(xprop -id "$main_id" WM_CLASS)"
add_record calc "Tsumeb, Namibia"
wait_until 10 has_line "|Tsumeb, Namibia" || fail "the cache was not written under $XDG_DATA_HOME"
stop
unchanged_defaults
echo "installed_xvfb: first run cached the locality in $cache"

# Second run: "Tsu" and Enter completes from that cache, so the record adds nothing to it; a
# later new locality shows when both records have been added.
start "$prefix/bin/qlxrender"
add_record magn "Tsu" complete
add_record calc "Langban"
wait_until 10 has_line "|Langban" || fail "the second run did not write the cache"
stop
[ "$(tr -d '\r' <"$cache")" = "$(printf '|Tsumeb, Namibia\n|Langban')" ] ||
  fail "the locality did not complete from the user's cache: $(tr '\r\n' '  ' <"$cache")"
unchanged_defaults
echo "installed_xvfb: the next start completed \"Tsu\" from the user's cache"

# A read-only copy of the program's folder writes to the user's folder too.
start "$work/copy/qlxrender"
add_record calc "Kiruna"
wait_until 10 has_line "|Kiruna" || fail "the read-only copy did not write the user's cache"
stop
unchanged_defaults
echo "installed_xvfb: the read-only folder copy cached in the user's folder"

# A prepared report file on the command line opens in the preview.
printf '|Calcite|Kiruna|CaCO3|\r\n' >"$work/list.txt"
QT_QPA_PLATFORM=offscreen "$prefix/bin/qlxsheet" render "$work/list.txt" -o "$work/sheet.LFP" ||
  fail "qlxsheet could not write the report"
# (the preview opens maximised over the main window, so the background is not looked at)
no_wait_for_load=1 start "$prefix/bin/qlxrender" "$work/sheet.LFP"
wait_until 10 visible "Print Preview" || fail "qlxrender FILE.LFP opened no preview"
stop
# The opened report is in the desktop's recently-used list, for this program.
grep -qF "file://$work/sheet.LFP" "$XDG_DATA_HOME/recently-used.xbel" ||
  fail "the opened report is not in $XDG_DATA_HOME/recently-used.xbel"
echo "installed_xvfb: qlxrender FILE.LFP opened the preview"
