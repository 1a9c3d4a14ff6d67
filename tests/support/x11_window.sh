# Shell helpers for end-to-end scripts that drive a Quorl window under the
# current X display. Source it; the caller sets $work (a scratch directory)
# and, for fail, $run_name (the last screenshot is kept as
# /tmp/quorl-<run_name>-failure.png).

# Ends the test with a message, keeping the last screenshot.
fail() {
    echo "FAIL: $*" >&2
    if [[ -f "$work/shot.png" ]]; then
        cp "$work/shot.png" "/tmp/quorl-$run_name-failure.png" 2>/dev/null || true
        echo "last screenshot: /tmp/quorl-$run_name-failure.png" >&2
    fi
    exit 1
}

# Holds a key for about 100 ms, like a player's press.
press() {
    xdotool keydown "$1"
    sleep 0.12
    xdotool keyup "$1"
    sleep 0.12
}

# For an EXIT trap: releases the keys given (a run cut short must not leave
# one held down in the X server), stops process $pid if it still runs and
# removes $work.
end_run() {
    for key in "$@"; do
        xdotool keyup "$key" 2>/dev/null || true
    done
    if [[ -n "${pid:-}" ]] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}

# Waits for a viewable top-level window with this exact title; prints its id.
wait_for_window() {
    local title=$1 id=""
    for _ in $(seq 100); do
        id=$(xdotool search --name "^$title\$" 2>/dev/null | head -1 || true)
        if [[ -n "$id" ]] && xwininfo -id "$id" | grep -q 'IsViewable'; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Sets screen_x and screen_y to the root position of the window's 480x272
# area, which lies below the menu bar at the bottom of the client area.
locate_screen() {
    local info x y h
    info=$(xwininfo -id "$1")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    screen_x=$x
    screen_y=$((y + h - 272))
}

# Screenshot of the 480x272 area into $work/shot.png.
shot() {
    import -window root -crop "480x272+$screen_x+$screen_y" +repage "$work/shot.png"
}

# "r,g,b" of one pixel of the last screenshot, each 0..255.
pixel_at() {
    convert "$work/shot.png" -format \
        "%[fx:round(255*p{$1,$2}.r)],%[fx:round(255*p{$1,$2}.g)],%[fx:round(255*p{$1,$2}.b)]" info:
}

# Takes screenshots for up to five seconds until the pixel is "r,g,b";
# a busy machine may hold a frame back.
expect_pixel() {
    local what=$1 x=$2 y=$3 want=$4 got=""
    for _ in $(seq 25); do
        shot
        got=$(pixel_at "$x" "$y")
        [[ "$got" == "$want" ]] && return 0
        sleep 0.2
    done
    fail "$what: pixel ($x,$y) is $got, not $want"
}

# Waits up to ten seconds for the process to end and sets exit_code to its
# exit code, or to "still running". Not in a subshell: only the shell that
# started the process can wait for it.
wait_for_exit() {
    local pid=$1
    exit_code="still running"
    for _ in $(seq 100); do
        if ! kill -0 "$pid" 2>/dev/null; then
            exit_code=0
            wait "$pid" || exit_code=$?
            return 0
        fi
        sleep 0.1
    done
}
