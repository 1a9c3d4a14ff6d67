#!/bin/bash
# The host shell of the real program under the current X display: the window
# and its 480x272 area, the two-stage end (Escape, the close box, "Quit", the
# overlay, ending at once on a second close while paused or when the window
# is destroyed from outside), the settings file written at the end, ending on
# a termination signal or a lost X server with the settings saved, and a
# clean stop when there is no display at all, also on a Wayland desktop.
# Usage: e2e_host.sh <path-to-quorl> <source-dir>
set -euo pipefail
quorl=$(realpath "$1")
source_dir=$(realpath "$2")
send_close="$(dirname "$quorl")/tests/send_close"
[[ -x "$send_close" ]] || { echo "FAIL: $send_close is not built" >&2; exit 1; }

work=$(mktemp -d /tmp/quorl-e2e-host-XXXXXX)
export HOME="$work/home"
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
settings="$XDG_CONFIG_HOME/Quorl/Configuration.conf"

OVERLAY_COLOUR=202020
pid=""
window=""
menu_height=0

private_x=""
weston_pid=""
cleanup() {
    xdotool keyup Escape 2>/dev/null || true
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
    fi
    if [[ -n "$private_x" ]]; then
        kill "$private_x" 2>/dev/null || true
    fi
    if [[ -n "$weston_pid" ]]; then
        kill "$weston_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [[ -f "$work/area.png" ]]; then
        cp "$work/area.png" /tmp/quorl-e2e-host-failure.png 2>/dev/null || true
        echo "last screenshot: /tmp/quorl-e2e-host-failure.png" >&2
    fi
    exit 1
}

# Starts the program in assets/ and waits for its window.
start() {
    (cd "$source_dir/assets" && exec "$quorl") >"$work/out.log" 2>&1 &
    pid=$!
    window=""
    for _ in $(seq 200); do
        window=$(xdotool search --name '^Quorl Sample$' 2>/dev/null | head -1 || true)
        [[ -n "$window" ]] && break
        kill -0 "$pid" 2>/dev/null || fail "the program ended at start: $(cat "$work/out.log")"
        sleep 0.05
    done
    [[ -n "$window" ]] || fail "no window titled \"Quorl Sample\""
    # The screen area is the 480x272 child below the menu bar; wait for the
    # layout to settle (a slow start may show it at the top for a moment).
    local area=""
    menu_height=0
    for _ in $(seq 100); do
        area=$(xwininfo -id "$window" -children | grep -E ' 480x272\+0\+[0-9]+ ' | head -1 || true)
        if [[ -n "$area" ]]; then
            menu_height=$(sed -E 's/.* 480x272\+0\+([0-9]+) .*/\1/' <<<"$area")
            ((menu_height > 0)) && break
        fi
        sleep 0.05
    done
    [[ -n "$area" ]] || fail "no 480x272 child in the window"
    sleep 0.5  # let the game thread start and draw
}

# Waits up to $1 seconds for the program to end and sets end_code to its exit
# code, or to "running".
wait_end() {
    end_code=running
    for _ in $(seq $(( $1 * 20 ))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            end_code=0
            wait "$pid" || end_code=$?
            pid=""
            return
        fi
        sleep 0.05
    done
}

press() {
    xdotool keydown "$1"
    sleep 0.1
    xdotool keyup "$1"
    sleep 0.1
}

# Opens "Application" with the mouse, then walks the menus with keys.
menu() {
    xdotool mousemove --window "$window" 20 $(( menu_height / 2 )) click 1
    sleep 0.3
    for key in "$@"; do
        xdotool key "$key"
        sleep 0.15
    done
    sleep 0.2
}

shoot_area() {
    local x y
    x=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
    y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
    import -window root -crop "480x272+$x+$((y + menu_height))" +repage "$work/area.png"
}

pixel() {
    convert "$work/area.png" -format "%[hex:u.p{$1,$2}]" info:
}

expect_overlay() {
    shoot_area
    for point in "2 2" "477 2" "2 269" "477 269" "240 20"; do
        # shellcheck disable=SC2086
        [[ $(pixel $point) == "$OVERLAY_COLOUR" ]] || fail "$1: no overlay at ($point): $(pixel $point)"
    done
    local text
    text=$(convert "$work/area.png" -crop 480x1+0+136 +repage -colorspace gray -threshold 50% \
        -format '%[fx:int(mean*w+0.5)]' info:)
    ((text > 5)) || fail "$1: no \"Please wait...\" across the middle"
}

# Prints the id of a shown top-level window of the program other than the
# main window (a message box), or nothing.
message_box() {
    local id
    for id in $(xwininfo -root -children | awk '/\("quorl" "Quorl"\)/ && !/Quorl Sample/ {print $1}'); do
        if xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' &&
            ! xwininfo -id "$id" | grep -qE 'Width: +[1-3]$'; then
            echo "$id"
            return
        fi
    done
}

expect_setting() {
    grep -qx "$1=$2" "$settings" || fail "settings file lacks $1=$2: $(cat "$settings" 2>/dev/null)"
}

echo "1. window, area and a first close by Escape"
# Qt's own scaling must not touch the console's 480x272 pixels.
QT_SCALE_FACTOR=2 QT_ENABLE_HIGHDPI_SCALING=1 start
geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
((menu_height > 0)) || fail "no menu bar above the area"
[[ $geometry == "480x$((272 + menu_height))" ]] || fail "window is $geometry with a $menu_height-pixel menu"
grep -q '"Quorl"$' <<<"$(xprop -id "$window" WM_CLASS)" || fail "window class is not Quorl"
hints=$(xprop -id "$window" WM_NORMAL_HINTS)
grep -q "minimum size: 480 by $((272 + menu_height))" <<<"$hints" || fail "resizable: $hints"
grep -q "maximum size: 480 by $((272 + menu_height))" <<<"$hints" || fail "resizable: $hints"
[[ -f "$settings" ]] || fail "the settings store was not created at start"
shoot_area
[[ $(pixel 2 2) != "$OVERLAY_COLOUR" ]] || fail "overlay shown before any close"
# A click on the picture must leave the keyboard with the window.
xdotool mousemove --window "$window" 240 $((menu_height + 136)) click 1
sleep 0.2
press Escape
wait_end 1
[[ $end_code == 0 ]] || fail "Escape: the program did not end with 0 within a second: $end_code"
expect_setting emuReuseTextures 0
expect_setting emuUsePixelShaders 0
expect_setting emuFrameSkipMode 0

echo "2. settings from the menu, Escape while paused, a second close ends at once"
start
menu Right Down Right Return           # Video > Frameskip > None
menu Right Right Return                # Video > Performance > Reuse textures (faster)
menu Down Down Return                  # Application > Pause
press Escape
expect_overlay "Escape while paused"
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the paused game ended before the pause was lifted"
"$send_close" "$window"
wait_end 1
[[ $end_code == 0 ]] || fail "second close: the program did not end at once with 0: $end_code"
expect_setting emuReuseTextures 1
expect_setting emuUsePixelShaders 0
expect_setting emuFrameSkipMode 1

echo "3. stored settings kept; the close box while paused, then lifting the pause"
start
menu Down Down Return                  # Application > Pause
"$send_close" "$window"
expect_overlay "close box while paused"
sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "the paused game ended before the pause was lifted"
menu Down Down Return                  # Application > Pause again
wait_end 1
[[ $end_code == 0 ]] || fail "lifted pause: the program did not end with 0 within a second: $end_code"
expect_setting emuReuseTextures 1
expect_setting emuFrameSkipMode 1

echo "4. \"Quit\" is a close request"
start
menu Down Down Down Return             # Application > Quit
wait_end 1
[[ $end_code == 0 ]] || fail "Quit: the program did not end with 0 within a second: $end_code"

echo "5. the window destroyed from outside while paused ends the program at once"
start
menu Right Down Right Down Return      # Video > Frameskip > Normal (PC-timed)
menu Down Down Return                  # Application > Pause
xdotool windowclose "$window"
wait_end 1
[[ $end_code == 0 ]] || fail "destroyed window: the program did not end at once with 0: $end_code"
expect_setting emuFrameSkipMode 0

echo "6. no OpenGL at all: a message box from the game thread, then the window still works"
QT_XCB_GL_INTEGRATION=none start
box=""
for _ in $(seq 100); do
    box=$(message_box)
    [[ -n "$box" ]] && break
    sleep 0.05
done
[[ -n "$box" ]] || fail "no message box when no GL context can be had"
title=$(xprop -id "$box" WM_NAME)
[[ $title == 'WM_NAME(STRING) = " "' || $title == 'WM_NAME(UTF8_STRING) = " "' ]] ||
    fail "the box's empty caption shows as: $title"
press Return                           # OK, the box has the keyboard
for _ in $(seq 40); do
    [[ -z "$(message_box)" ]] && break
    sleep 0.05
done
[[ -z "$(message_box)" ]] || fail "the box stayed after OK"
press Escape                           # the keyboard is back with the main window
wait_end 1
[[ $end_code == 0 ]] || fail "no GL: Escape did not end the program with 0: $end_code"

echo "7. SIGTERM, SIGINT and SIGHUP end the program like a close, settings saved, even while paused"
reuse=$(sed -n 's/^emuReuseTextures=//p' "$settings")
for signal in TERM INT HUP; do
    start
    menu Right Right Return            # Video > Performance > Reuse textures (faster)
    reuse=$((1 - reuse))
    if [[ $signal == TERM ]]; then
        menu Down Down Return          # Application > Pause
    fi
    kill -s "$signal" "$pid"
    wait_end 2
    [[ $end_code == 0 ]] || fail "SIG$signal: the program did not end with 0: $end_code"
    expect_setting emuReuseTextures "$reuse"
done

echo "8. the X server lost: no abort, settings saved"
for n in $(seq 140 170); do
    [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]] && break
done
Xvfb ":$n" -screen 0 800x600x24 -noreset -nolisten tcp >/dev/null 2>&1 &
private_x=$!
for _ in $(seq 50); do
    DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
main_display=$DISPLAY
export DISPLAY=":$n"
start
menu Right Down Right Return           # Video > Frameskip > None
kill "$private_x"
wait "$private_x" 2>/dev/null || true
private_x=""
export DISPLAY=$main_display
wait_end 5
[[ $end_code == 1 ]] || fail "lost X server: exit code $end_code, not 1: $(cat "$work/out.log")"
expect_setting emuFrameSkipMode 1

echo "9. no display: a message and exit code 1, no game"
rm -f "$settings"
set +e
DISPLAY=:31999 timeout 20 "$quorl" >"$work/out.log" 2>&1
code=$?
set -e
[[ $code == 1 ]] || fail "without a display the exit code is $code: $(cat "$work/out.log")"
grep -q "main window could not be created" "$work/out.log" || fail "no message: $(cat "$work/out.log")"
[[ ! -f "$settings" ]] || fail "the game ran without a window and saved its settings"

echo "10. a Wayland desktop: X11 through XWayland when it has a display, a clear stop without"
wayland_dir="$work/wayland"
mkdir -p "$wayland_dir"
chmod 700 "$wayland_dir"
XDG_RUNTIME_DIR="$wayland_dir" weston --backend=headless-backend.so --socket=wayland-quorl \
    --idle-time=0 >"$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
    [[ -S "$wayland_dir/wayland-quorl" ]] && break
    sleep 0.05
done
[[ -S "$wayland_dir/wayland-quorl" ]] || fail "weston did not start: $(cat "$work/weston.log")"
# What a Wayland session sets, even one asking Qt for Wayland by name.
WAYLAND_DISPLAY="$wayland_dir/wayland-quorl" XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland start
press Escape
wait_end 2
[[ $end_code == 0 ]] || fail "Wayland with XWayland: Escape did not end the program with 0: $end_code"
set +e
(cd "$source_dir/assets" && env -u DISPLAY WAYLAND_DISPLAY="$wayland_dir/wayland-quorl" \
    XDG_SESSION_TYPE=wayland timeout 20 "$quorl") >"$work/out.log" 2>&1
code=$?
set -e
[[ $code == 1 ]] || fail "Wayland alone: exit code $code: $(cat "$work/out.log")"
grep -q "XWayland" "$work/out.log" || fail "Wayland alone: no clear message: $(cat "$work/out.log")"

echo "PASS"
