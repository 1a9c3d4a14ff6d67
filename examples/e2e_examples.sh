#!/bin/bash
# Plays the two example games in their windows under the current X display:
# keys go in through xdotool, and screenshots of the 480x272 area are checked
# against the examples' pictures and the colours they draw, pixel by pixel.
# Usage: e2e_examples.sh <hello_sprite> <showcase> <examples-source-dir>
set -euo pipefail
hello=$(realpath "$1")
showcase=$(realpath "$2")
examples=$(realpath "$3")

# shellcheck source=../tests/support/scratch_home.sh
source "$examples/../tests/support/scratch_home.sh" e2e-examples

# Keypad keys by keycode (KP_1 is 87, KP_6 85): their NumLock-off keysyms;
# xdotool would read a one-digit name as a keysym number.
KEY_KP1=87
KEY_KP6=85
KEY_RIGHT=Right
KEY_ESCAPE=Escape

pid=""
cleanup() {
    # A run cut short must not leave a key held down in the X server.
    for key in $KEY_KP1 $KEY_KP6 $KEY_RIGHT $KEY_ESCAPE; do
        xdotool keyup "$key" 2>/dev/null || true
    done
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true  # it writes its settings file as it ends
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [[ -f "$work/shot.rgb" ]]; then
        convert -size 480x272 -depth 8 "rgb:$work/shot.rgb" /tmp/quorl-e2e-examples-failure.png
        echo "last screenshot: /tmp/quorl-e2e-examples-failure.png" >&2
    fi
    exit 1
}

# Starts a program in a folder and waits for its window by title (its own:
# another program's window may have the same); sets pid and the screen
# position of the window's 480x272 area, once it sits below the menu bar (a
# slow start may show it at the top for a moment).
start() {  # program folder title
    (cd "$2" && exec "$1") >"$work/program.log" 2>&1 &
    pid=$!
    local window="" area=""
    for _ in $(seq 100); do
        window=$(xdotool search --pid "$pid" --name "^$3\$" 2>/dev/null | head -1 || true)
        if [[ -n "$window" ]]; then
            # "<id> <names>  480x272+0+<y below the menu>  +<screen x>+<screen y>"
            area=$(xwininfo -id "$window" -children | grep -E ' 480x272\+0\+[1-9][0-9]* ' || true)
            [[ -n "$area" ]] && break
        fi
        kill -0 "$pid" 2>/dev/null || fail "$3 ended at start: $(cat "$work/program.log")"
        sleep 0.1
    done
    [[ -n "$area" ]] || fail "no window titled \"$3\" with its 480x272 area below a menu bar"
    read -r screen_x screen_y < <(sed -E 's/.* 480x272\+0\+[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\1 \2/' <<<"$area")
    xdotool windowfocus --sync "$window" 2>/dev/null || true
}

# Escape ends the program at its next frame; it must end with exit code 0.
quit() {
    local status=0
    xdotool key $KEY_ESCAPE
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "the program did not end after Escape"
    wait "$pid" || status=$?
    pid=""
    [[ "$status" == 0 ]] || fail "exit code $status after Escape"
}

# The 480x272 area as raw 8-bit RGB, 3 bytes a pixel, row after row.
shot() {
    import -window root -crop "480x272+$screen_x+$screen_y" +repage -depth 8 "rgb:$work/shot.rgb"
}

# "r g b" of every pixel of the w x h area at (x, y), one a line, row by row.
area() {  # x y w h
    od -An -v -tu1 -w3 -j $(($2 * 480 * 3)) -N $(($4 * 480 * 3)) "$work/shot.rgb" |
        awk -v x="$1" -v w="$3" '{ c = (NR - 1) % 480 } c >= x && c < x + w'
}

# Pixels of an area within tolerance of a colour in every channel.
count_near() {  # x y w h r g b tolerance
    area "$1" "$2" "$3" "$4" | awk -v r="$5" -v g="$6" -v b="$7" -v t="$8" '
        function off(a, e) { return a > e ? a - e : e - a }
        off($1, r) <= t && off($2, g) <= t && off($3, b) <= t { n++ }
        END { print n + 0 }'
}

# Checks of the last screenshot; they print why they fail.
pixel_is() {  # x y r g b tolerance
    if [[ $(count_near "$1" "$2" 1 1 "$3" "$4" "$5" "$6") != 1 ]]; then
        echo "pixel ($1, $2) is $(area "$1" "$2" 1 1 | xargs), not $3 $4 $5"
        return 1
    fi
}
pixel_is_not() {  # x y r g b tolerance
    if [[ $(count_near "$1" "$2" 1 1 "$3" "$4" "$5" "$6") != 0 ]]; then
        echo "pixel ($1, $2) is still $3 $4 $5"
        return 1
    fi
}
# Text drawn over a plain colour: ink in the text's colour, and every other
# pixel of its area the plain colour (nothing drawn around the glyphs).
text_over() {  # x y w h ink-r ink-g ink-b plain-r plain-g plain-b
    local ink plain
    ink=$(count_near "$1" "$2" "$3" "$4" "$5" "$6" "$7" 6)
    plain=$(count_near "$1" "$2" "$3" "$4" "$8" "$9" "${10}" 2)
    if ((ink == 0 || ink + plain != $3 * $4)); then
        echo "text at ($1, $2): $ink ink and $plain plain pixels of $(($3 * $4))"
        return 1
    fi
}
# The w x h area at (x, y) against a picture of that size (fuzz: allowance
# per pixel for rounding in GL's colour conversions and blending).
matches() {  # x y w h picture fuzz
    local count
    count=$(convert -size 480x272 -depth 8 "rgb:$work/shot.rgb" -crop "$3x$4+$1+$2" +repage \
        "$5" -metric AE -fuzz "$6" -compare -format "%[distortion]" info: 2>/dev/null || echo -1)
    if [[ "$count" != 0 ]]; then
        echo "area $3x$4+$1+$2: $count pixels differ from $(basename "$5")"
        return 1
    fi
}

# Retries a check with new screenshots for up to five seconds, as a busy
# machine may hold the frame back.
expect() {  # what check [arguments]
    local what=$1 why=""
    shift
    for _ in $(seq 25); do
        shot
        why=$("$@") && return 0
        sleep 0.2
    done
    fail "$what: $why"
}

# Holds a key for half a second, then checks its effect. On a busy machine
# the game may miss a press: the key is held again while the check fails.
hold_then() {  # key what check [arguments]
    local key=$1 what=$2 why=""
    shift 2
    for _ in 1 2 3; do
        xdotool keydown "$key"
        sleep 0.5
        xdotool keyup "$key"
        sleep 0.1
        shot
        why=$("$@") && return 0
    done
    fail "$what: $why"
}

# Holds a key down until a check passes, and leaves it down.
hold_until() {  # key what check [arguments]
    local key=$1 what=$2 why=""
    shift 2
    for _ in 1 2 3; do
        xdotool keydown "$key"
        for _ in $(seq 10); do
            shot
            why=$("$@") && return 0
            sleep 0.1
        done
        xdotool keyup "$key"
    done
    fail "$what: $why"
}

# --- hello_sprite --------------------------------------------------------------
# Colours are "r g b" arrays.
BAR=(12 14 30)
TITLE=(255 214 96)
NOSE=(255 208 64)  # rocket.png's nose and window, from make_pictures.cpp
WINDOW=(58 142 232)
# Its sky: one colour per row, as hello_sprite.cpp's drawSky computes it.
sky() {  # row; sets SKY
    local t=$(($1 * 256 / 272))
    SKY=($((16 + 44 * t / 256)) $((24 + 24 * t / 256)) $((56 + 56 * t / 256)))
}
# ImageMagick's name of a colour.
xc() {  # r g b
    local IFS=,
    echo "xc:rgb($*)"
}

# The rocket at its start, (224, 120) to (255, 151), over its 32 rows of sky.
rows=()
for ((y = 120; y < 152; y++)); do
    sky "$y"
    rows+=("$(xc "${SKY[@]}")")
done
convert -size 32x1 "${rows[@]}" -append "$examples/hello_sprite/rocket.png" -composite \
    "$work/rocket_start.png"

start "$hello" "$examples/hello_sprite" "Quorl Example: Hello Sprite"
expect "the rocket at the centre" matches 224 120 32 32 "$work/rocket_start.png" 2%
expect "the title over the bar" text_over 6 4 98 8 "${TITLE[@]}" "${BAR[@]}"
area 6 260 200 8 >"$work/status_before"

# 6 (R) turns the rocket about its centre: the nose leaves the top, the
# window stays on the centre.
turned() { pixel_is_not 240 125 "${NOSE[@]}" 40 && pixel_is 240 136 "${WINDOW[@]}" 12; }
hold_then $KEY_KP6 "the rocket turned about its centre" turned

# Right moves it: its window is found further right on its row, and the sky
# shows where it was.
moved_right() {
    local x
    x=$(area 0 136 480 1 | awk -v r="${WINDOW[0]}" -v g="${WINDOW[1]}" -v b="${WINDOW[2]}" '
        function off(a, e) { return a > e ? a - e : e - a }
        off($1, r) <= 12 && off($2, g) <= 12 && off($3, b) <= 12 { print NR - 1; exit }')
    if ((${x:--1} < 256)); then
        echo "the rocket's window starts at x ${x:-(nowhere)} on its row"
        return 1
    fi
    sky 136
    pixel_is 240 136 "${SKY[@]}" 2
}
hold_then $KEY_RIGHT "the rocket moved right" moved_right
area 6 260 200 8 >"$work/status_after"
cmp -s "$work/status_before" "$work/status_after" && fail "the position text did not change"
quit

# --- showcase -------------------------------------------------------------------
PANEL=(38 44 62)
LABEL=(170 190 230)
# badge.png as each direct format keeps it, over the panel: 5-bit channels
# (6-bit green in PF_5650) are cut from the top of each 8-bit value, alpha is
# dropped (PF_5650), cut at one half (PF_5551) or to 4 bits (PF_4444).
# PF_5650 pictures get a wider allowance: the library's texture keeps only 5
# bits of their green (GL_RGB5), which the allowance takes in.
cut() { echo "floor((u*255+0.5)/$((256 / ($1 + 1))))/$1"; }
badge="$examples/showcase/badge.png"
convert "$badge" -alpha off -channel R,B -fx "$(cut 31)" -channel G -fx "$(cut 63)" +channel \
    "$work/badge_5650.png"
convert -size 32x32 "$(xc "${PANEL[@]}")" \( "$badge" -channel R,G,B -fx "$(cut 31)" \
    -channel A -threshold 50% +channel \) -composite "$work/badge_5551.png"
convert -size 32x32 "$(xc "${PANEL[@]}")" \( "$badge" -channel R,G,B,A -fx "$(cut 15)" +channel \) \
    -composite "$work/badge_4444.png"
convert -size 32x32 "$(xc "${PANEL[@]}")" "$badge" -composite "$work/badge_8888.png"
convert "$examples/showcase/skyline.png" -channel R,B -fx "$(cut 31)" -channel G -fx "$(cut 63)" \
    +channel "$work/skyline_5650.png"

# Frame 90 of the animations, as showcase.cpp draws it while 1 is held.
still_frame() {
    # scale: the star at twice its size reaches 16 pixels up and right of its
    # centre along its arms, not between them
    pixel_is 64 66 255 204 51 6 && pixel_is 79 77 255 204 51 6 && pixel_is 84 62 "${PANEL[@]}" 2 &&
        # pivot rotation: the hand at 270 degrees points left from the dial's centre
        pixel_is 166 82 200 58 58 8 && pixel_is 181 67 244 236 216 6 &&
        # draw target: turned 90 degrees, its red top-left quarter is top right
        pixel_is 314 66 230 60 60 3 && pixel_is 314 98 60 200 90 3 &&
        pixel_is 282 98 60 110 230 3 && pixel_is 282 66 240 200 60 3 &&
        # palette cycle: the centre ring shows colour 10 of the loop
        pixel_is 415 82 79 41 181 3 &&
        # the wide picture, every strip in its place
        matches 16 150 448 40 "$work/skyline_5650.png" 2.5% &&
        # the pixel formats, tiles at x 29 + 78 i
        matches 29 212 32 32 "$work/badge_5650.png" 2.5% &&
        matches 107 212 32 32 "$work/badge_5551.png" 1.5% &&
        matches 185 212 32 32 "$work/badge_4444.png" 1.5% &&
        matches 263 212 32 32 "$work/badge_8888.png" 1.5% &&
        # PF_T4 through PF_5650 palette entries: colours 0 and 11 of the loop
        pixel_is 345 216 255 145 82 3 && pixel_is 369 232 106 28 148 3 &&
        # PF_T8: red grows rightwards, green downwards
        pixel_is 419 212 0 0 160 2 && pixel_is 450 212 255 0 160 2 &&
        pixel_is 450 243 255 255 160 2 &&
        # labels: transparent text over the panels
        text_over 13 22 35 8 "${TITLE[@]}" "${PANEL[@]}" &&
        text_over 21 200 49 8 "${LABEL[@]}" "${PANEL[@]}"
}

# The still frame is on the screen when the counter at the top right says
# "frame 90" in the same pixels as the help line's "(frame 90)", and the
# picture is the one of the check before (frame 90 also passes by, running).
counter_still() {
    area 418 4 56 8 >"$work/counter"
    area 167 261 56 8 >"$work/help"
    local same=0
    cmp -s "$work/shot.rgb" "$work/previous.rgb" && same=1
    cp "$work/shot.rgb" "$work/previous.rgb"
    if ! cmp -s "$work/counter" "$work/help" || [[ $(count_near 167 261 56 8 "${LABEL[@]}" 6) == 0 ]]; then
        echo "the counter does not say \"frame 90\""
        return 1
    fi
    if ((same == 0)); then
        echo "the picture still changes"
        return 1
    fi
}

# Its sound goes to a file through SDL's disk driver.
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/showcase.raw"
start "$showcase" "$examples/showcase" "Quorl Example: Showcase"
unset SDL_AUDIODRIVER SDL_DISKAUDIOFILE
hold_until $KEY_KP1 "holding 1 shows frame 90" counter_still
why=$(still_frame) || fail "frame 90 of the showcase: $why"
xdotool keyup $KEY_KP1

# Running, the ring colours move on, a step every 4 frames.
shot
area 367 42 96 80 >"$work/rings_before"
cycled() {
    area 367 42 96 80 >"$work/rings_now"
    if cmp -s "$work/rings_before" "$work/rings_now"; then
        echo "the rings show the same colours"
        return 1
    fi
}
expect "the palette cycles" cycled
# The tune has been playing all along: the file holds sound.
tune_heard() {
    if (($(od -An -v -t d2 -w2 "$work/showcase.raw" | awk '$1 > 64 || $1 < -64 { n++ } END { print n + 0 }') == 0)); then
        echo "the sound output is silent"
        return 1
    fi
}
expect "the tune plays" tune_heard
quit
[[ -f "$XDG_CONFIG_HOME/Quorl Examples/Showcase.conf" ]] ||
    fail "no settings file under the example's organization and application names"

echo "e2e_examples: all checks passed"
