#!/bin/bash
# The real program's window sizes: 2x and 3x chosen in the menu give a screen
# area of exactly 960x544 and 1440x816 under the menu bar, showing the 1x
# picture scaled pixel for pixel (on a private 2000x1200 X server, where 3x
# fits), with the "Please wait..." overlay covering the whole area; stored
# 3x on the 1024x768 test screen takes the 2x that fits; F11 shows the
# picture 2x, centred on black, over the whole screen without the menu bar,
# and Alt+Enter brings the window back.
# Usage: e2e_zoom.sh <path-to-quorl> <source-dir>
set -euo pipefail
quorl=$(realpath "$1")
source_dir=$(realpath "$2")
send_close="$(dirname "$quorl")/tests/send_close"

# shellcheck source=support/scratch_home.sh
source "$source_dir/tests/support/scratch_home.sh" e2e-zoom
settings="$XDG_CONFIG_HOME/Quorl/Configuration.conf"
pid=""
private_x=""
run_name=e2e-zoom
trap 'end_run Escape F11; if [[ -n "$private_x" ]]; then kill "$private_x" 2>/dev/null || true; fi' EXIT
# shellcheck source=support/x11_window.sh
source "$source_dir/tests/support/x11_window.sh"
# shellcheck source=support/zoom_screen.sh
source "$source_dir/tests/support/zoom_screen.sh"
OVERLAY_COLOUR=202020

start() {
    (cd "$source_dir/assets" && exec "$quorl") >"$work/quorl.log" 2>&1 &
    pid=$!
    window=$(wait_for_window "Quorl Sample") || fail "no game window"
    xdotool windowfocus --sync "$window" 2>/dev/null || true
}

# Opens "Application" with the mouse, then walks the menus with keys; the
# menu bar is the top of the window, above the area of the given height.
menu() {  # area-height keys...
    local bar=$(( $(xwininfo -id "$window" | awk '/Height:/ {print $2}') - $1 ))
    shift
    xdotool mousemove --window "$window" 20 $((bar / 2)) click 1
    sleep 0.3
    for key in "$@"; do
        xdotool key "$key"
        sleep 0.15
    done
    sleep 0.2
}

# The window is the area of the given scale plus a menu bar of one line.
expect_window() {  # what scale
    local w=$((480 * $2)) h=$((272 * $2)) size=""
    for _ in $(seq 25); do
        size=$(window_size "$window")
        [[ $size =~ ^${w}x([0-9]+)$ ]] && ((BASH_REMATCH[1] - h >= 15 && BASH_REMATCH[1] - h <= 40)) && return 0
        sleep 0.2
    done
    fail "$1: the window is $size, not a ${w}x${h} area under a menu bar"
}

echo "1. 1x, then 2x and 3x from the menu, on a 2000x1200 screen"
for n in $(seq 140 170); do
    [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]] && break
done
Xvfb ":$n" -screen 0 2000x1200x24 -noreset -nolisten tcp >/dev/null 2>&1 &
private_x=$!
main_display=$DISPLAY
export DISPLAY=":$n"
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
start
expect_window "at the start" 1
sleep 1  # the intro, drawn once and shown unchanged
locate_area "$window" 480 272
import -window root -crop "480x272+$area_x+$area_y" +repage "$work/1x.png"
[[ $(convert "$work/1x.png" -format '%k' info:) -gt 100 ]] || fail "no picture at 1x"
for scale in 2 3; do
    keys=(Right Down Down Right)
    for ((i = 1; i < scale; i++)); do keys+=(Down); done
    menu $((272 * (scale - 1))) "${keys[@]}" Return  # Video > Window size > 2x, 3x
    expect_window "${scale}x" "$scale"
    locate_area "$window" $((480 * scale)) $((272 * scale))
    scaled_picture "$work/1x.png" "$scale" "$work/${scale}x.png"
    expect_picture "${scale}x" "$area_x" "$area_y" $((480 * scale)) $((272 * scale)) "$work/${scale}x.png"
done
menu 816 Down Down Return  # Application > Pause
press Escape
convert -size 1440x816 "xc:#$OVERLAY_COLOUR" "$work/overlay.png"
# The label's text is in the middle: the corners and edges are the overlay's.
import -window root -crop "1440x816+$area_x+$area_y" +repage "$work/shot.png"
for point in "2 2" "1437 2" "2 813" "1437 813" "720 20"; do
    # shellcheck disable=SC2086
    colour=$(convert "$work/shot.png" -format "%[hex:u.p{${point% *},${point#* }}]" info:)
    [[ $colour == "$OVERLAY_COLOUR" ]] || fail "no overlay at ($point) of the 3x area: $colour"
done
"$send_close" "$window"
wait_for_exit "$pid"
[[ $exit_code == 0 ]] || fail "the second close ended with $exit_code"
pid=""
grep -qx "emuWindowScale=3" "$settings" || fail "3x not stored: $(cat "$settings")"
kill "$private_x"
wait "$private_x" 2>/dev/null || true
private_x=""
export DISPLAY=$main_display

echo "2. stored 3x on a 1024x768 screen: 2x; F11 full screen, Alt+Enter back"
start
expect_window "3x that does not fit" 2
locate_area "$window" 960 544
expect_picture "2x that fits" "$area_x" "$area_y" 960 544 "$work/2x.png"
xdotool key F11
scaled_picture "$work/1x.png" 2 "$work/full.png" 1024 768
expect_picture "full screen" 0 0 1024 768 "$work/full.png"
[[ $(window_size "$window") == 1024x768 ]] || fail "full screen window: $(window_size "$window")"
xdotool key alt+Return
expect_window "back from full screen" 2
locate_area "$window" 960 544
expect_picture "2x again" "$area_x" "$area_y" 960 544 "$work/2x.png"
press Escape
wait_for_exit "$pid"
[[ $exit_code == 0 ]] || fail "Escape ended with $exit_code"
pid=""
grep -qx "emuWindowScale=3" "$settings" || fail "the stored 3x changed: $(cat "$settings")"
grep -qx "emuFullScreen=0" "$settings" || fail "full screen stored: $(cat "$settings")"
echo "PASS"
