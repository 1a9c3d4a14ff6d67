# shellcheck shell=bash
# Shell helpers for end-to-end scripts that check the enlarged picture of a
# Quorl window: screenshots of its screen area, or of the whole screen in
# full screen, compared pixel for pixel with a 480x272 screenshot scaled by a
# whole number. Source it after x11_window.sh; the caller sets $work.

# Sets area_x and area_y to the root position of the window's width x height
# screen area, the bottom of its client area under the menu bar.
locate_area() {  # window width height
    local info
    info=$(xwininfo -id "$1")
    area_x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    area_y=$(( $(awk '/Absolute upper-left Y/ {print $4}' <<<"$info") +
               $(awk '/Height:/ {print $2}' <<<"$info") - $3 ))
}

# The window's width x height, as "WxH".
window_size() {
    xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
}

# Pixels of $work/shot.png that differ from $1, -1 when they cannot be compared.
differing_from() {
    compare -metric AE "$work/shot.png" "$1" null: 2>&1 || true
}

# Takes screenshots of the w x h area at (x, y) for up to five seconds until
# it equals the picture `expected` (a file), pixel for pixel.
expect_picture() {  # what x y w h expected
    local count=""
    for _ in $(seq 25); do
        import -window root -crop "$4x$5+$2+$3" +repage "$work/shot.png"
        count=$(differing_from "$6")
        [[ "$count" == 0 ]] && return 0
        sleep 0.2
    done
    fail "$1: $count pixels differ"
}

# The 480x272 picture $1 scaled by $2, each pixel an exact block, into $3;
# with $4 x $5 given, centred on a black screen of that size.
scaled_picture() {  # picture scale out [screen-width screen-height]
    if [[ -z "${4:-}" ]]; then
        convert "$1" -scale "$((100 * $2))%" "$3"
        return
    fi
    local w=$((480 * $2)) h=$((272 * $2))
    convert -size "$4x$5" xc:black \( "$1" -scale "$((100 * $2))%" \) \
        -geometry "+$((($4 - w) / 2))+$((($5 - h) / 2))" -composite "$3"
}
