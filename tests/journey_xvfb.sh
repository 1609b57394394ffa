#!/usr/bin/env bash
# One label's journey through the real program under a private X server, driven by keyboard
# and mouse events: type a mineral and Enter, Tab, a locality and Enter, "Add data to list",
# a second record with a new locality, then "Render and preview". The preview's screenshot is
# kept as build/artefacts/journey.png. The program runs from a copy of its folder, so the
# data folder and the locality cache it writes belong to this test.
set -euo pipefail
source "$(dirname "$0")/support/xvfb.sh"
exe=$1
build=$(cd "$(dirname "$exe")" && pwd)
caption="Systematic mineral label creation for the collector"
xvfb_prepare journey_xvfb xdotool xwininfo import convert
app_pid=""
on_exit() { [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null; }
fail() {
  echo "journey_xvfb: $*"
  echo "--- program output"; cat "$work/app.log" 2>/dev/null || true
  echo "--- windows"; xwininfo -root -tree 2>/dev/null | grep -F '"' || true
  exit 1
}

# The program and its data files, in a folder of the test's own; a locality cache the
# completion can find.
mkdir "$work/app"
cp "$exe" "$work/app/"
for f in athena.txt labelcomplete.bmp labelclean.bmp labelreduced.bmp; do
  cp "$build/$f" "$work/app/"
done
printf '|Falun, Dalarna\r\n|Kiruna\r\n' >"$work/app/cachedloc.txt"

xvfb_start "$work" || fail "no X server"
mkdir -m 700 "$work/runtime"

# The program's timeline at a tenth of its pace: the splash shows for 250 ms from the start
# (its full 2.5 s is the splash timer's interval, which tst_mainwindow checks).
launched=${EPOCHREALTIME//[.,]/}
(cd "$work/app" && exec env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" \
   QLX_TIMELINE_SCALE=0.1 "$work/app/$(basename "$exe")" >"$work/app.log" 2>&1) &
app_pid=$!

# The id of a viewable window with the given name, when there is one.
window_id() {
  id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
  [ -n "$id" ]
}
wait_until 10 window_id "$caption" || fail "no window captioned \"$caption\""
main_id=$id

# Without a window manager the window has no frame: its client area starts below the menu
# bar, whose height is what the window has beyond the 425-pixel client area.
eval "$(xdotool getwindowgeometry --shell "$main_id")"
menu=$((HEIGHT - 425))
[ "$menu" -gt 0 ] && [ "$menu" -lt 60 ] || fail "unexpected window height $HEIGHT"
# A control's centre in screen coordinates, from its place on the main panel (which sits at
# 3,3 in the client area) and its size. The program takes the X events in the order they are
# sent, so clicks and keys need no pause between them.
click_control() {
  local x=$((X + 3 + $1 + $3 / 2)) y=$((Y + menu + 3 + $2 + $4 / 2))
  xdotool mousemove --sync "$x" "$y" click 1
}
# A rectangle of the main panel (x y w h), as the window shows it now.
panel_area() {
  import -window "$main_id" -crop "$3x$4+$((3 + $1))+$((menu + 3 + $2))" +repage "$work/area.png"
}
# The splash has gone: the band of the panel under its upper half, white while it shows (86 %),
# holds little white without it (7 %).
splash_gone() {
  panel_area 98 101 393 54 &&
    [ "$(convert "$work/area.png" -fill black +opaque white -format '%[fx:mean<0.5]' info:)" = 1 ]
}
# The deferred load has put the "Complete" background into the preview image.
background_shown() {
  panel_area 432 275 137 65 && [ "$(identify -format '%k' "$work/area.png")" -gt 8 ]
}

# Completion needs the deferred load. The fields and "Add data to list" lie beside the splash,
# so the records may be typed while it shows; the render button lies under it.
wait_until 10 background_shown || fail "the label background was not loaded"
click_control 72 24 121 21 # the mineral field
xdotool type --delay 0 "calc"
xdotool key --delay 0 Return
xdotool key --delay 0 Tab
xdotool type --delay 0 "Fa"
xdotool key --delay 0 Return
click_control 16 128 105 25 # "Add data to list"
# A second record with a locality the cache does not know yet: adding it saves the cache.
click_control 72 24 121 21
xdotool key --delay 0 ctrl+a
xdotool type --delay 0 "magn"
xdotool key --delay 0 Return
xdotool key --delay 0 Tab ctrl+a
xdotool type --delay 0 "Langban"
click_control 16 128 105 25
# (looked for every tenth of a second: each look is a screenshot)
wait_every 0.1 10 splash_gone || fail "the splash did not go"
shown=$(((${EPOCHREALTIME//[.,]/} - launched) / 1000))
[ "$shown" -ge 250 ] || fail "the splash went ${shown} ms after the start, before its 250 ms"
click_control 296 128 123 25 # "Render and preview"

wait_until 10 window_id "Print Preview" || fail "no \"Print Preview\" window"
preview_id=$id

# The preview shows the page with both labels once it is played into the view: the heading
# band of the "Complete" background (238,234,222) covers thousands of pixels inside the
# preview window.
mkdir -p "$build/artefacts"
shot="$build/artefacts/journey.png"
eval "$(xdotool getwindowgeometry --shell "$preview_id" | sed 's/^/P_/')"
band_pixels() {
  import -window root "$shot" &&
    band=$(convert "$shot" -crop "${P_WIDTH}x${P_HEIGHT}+${P_X}+${P_Y}" +repage \
      -fill black +opaque 'rgb(238,234,222)' -fill white -opaque 'rgb(238,234,222)' \
      -format '%[fx:round(mean*w*h)]' info:) &&
    [ "$band" -ge 2000 ]
}
wait_until 10 band_pixels || fail "the preview shows no labels (${band:-no} band pixels)"
echo "journey_xvfb: preview ${P_WIDTH}x${P_HEIGHT} at ${P_X},${P_Y}, $band band pixels"
colours=$(identify -format '%k' "$shot")
deviation=$(convert "$shot" -colorspace Gray -format '%[fx:standard_deviation]' info:)
echo "journey_xvfb: screenshot $shot, $colours colours, deviation $deviation"
[ "$colours" -gt 16 ] || fail "the screenshot is nearly blank ($colours colours)"

# The added locality reached the cache of the test's own folder; the known one did not
# come twice.
grep -q '^|Langban' "$work/app/cachedloc.txt" || fail "the new locality was not cached"
[ "$(grep -c 'Falun, Dalarna' "$work/app/cachedloc.txt")" -eq 1 ] ||
  fail "the completed locality was cached again"

# Escape closes the preview; the main window takes input again.
xdotool windowfocus --sync "$preview_id" key Escape || true
preview_gone() { ! window_id "Print Preview"; }
wait_until 5 preview_gone || fail "the preview did not close on Escape"
kill -0 "$app_pid" || fail "the program ended"
echo "journey_xvfb: preview shown and closed"
