# shellcheck shell=bash
# Shell helpers for end-to-end scripts that play the game: the pictures the
# screen must show at the board's places, compared with screenshots of the
# 480x272 area, and key presses repeated until the screen shows their effect.
# Source it after x11_window.sh; the caller sets $assets (the pictures), $work
# (a scratch directory), screen_x and screen_y, and defines press and fail.

# What the game must show behind its tiles: the background with the pictures
# drawn before them. PF_5551 keeps one bit of alpha, so the artwork's alpha is
# cut at one half before it is laid over.
opaque() {
    echo "( $1 -alpha on -channel A -threshold 50% +channel )"
}
convert "$assets/fond.png" "$work/board.png"
# shellcheck disable=SC2046
convert "$assets/fond.png" $(opaque "$assets/perdu.png") -geometry +362+140 -composite \
    "$work/lost.png"
# shellcheck disable=SC2046
convert "$assets/fond.png" $(opaque "$assets/gagne.png") -geometry +362+140 -composite \
    "$work/won.png"

# Pixels of the screenshot's w x h area at (x, y) that differ from a sheet's
# area at (sx, sy) laid over the base. The tolerance covers the 5-bit colour
# channels of PF_5551.
differing() {
    local base=$1 x=$2 y=$3 w=$4 h=$5 sheet=$6 sx=$7 sy=$8
    convert "$work/shot.png" -crop "${w}x${h}+$x+$y" +repage \
        \( "$work/$base.png" -crop "${w}x${h}+$x+$y" +repage \
        \( "$assets/$sheet" -alpha on -channel A -threshold 50% +channel \
        -crop "${w}x${h}+$sx+$sy" +repage \) -composite \) \
        -metric AE -fuzz 6% -compare -format "%[distortion]" info: 2>/dev/null || echo -1
}

# The game shows a change within a frame or two, but a busy machine may hold
# it back: a check takes new screenshots for up to five seconds before it
# fails.
expect_tile() {
    local what=$1
    shift
    local count
    for _ in $(seq 25); do
        count=$(differing "$@")
        [[ "$count" == 0 ]] && return 0
        sleep 0.2
        shot
    done
    fail "$what: $count pixels differ"
}

# The index of the sheet tile that a square area shows, or -1.
which_tile() {
    local base=$1 x=$2 y=$3 size=$4 sheet=$5 count=$6
    for ((t = 0; t < count; t++)); do
        if [[ $(differing "$base" "$x" "$y" "$size" "$size" "$sheet" 0 $((size * t))) == 0 ]]; then
            echo "$t"
            return
        fi
    done
    echo -1
}

cell_x() { echo $((205 + 24 * (($1 - 1) % 4))); }
cell_y() { echo $((243 - 23 * (($1 - 1) / 4))); }
mark_y() { echo $((245 - 23 * ($1 - 1))); }

# Checks of the current screenshot; they print nothing.
shows() { [[ $(differing "$@") == 0 ]]; }
cell_shows() {  # cell colour
    shows board "$(cell_x "$1")" "$(cell_y "$1")" 16 16 boules.png 0 $((16 * $2))
}
cursor_at() {  # colour
    shows board $((372 + 18 * ($1 - 1))) 86 16 16 fleche.png 0 0
}

expect_cell() {  # base cell colour
    expect_tile "cell $2 with colour $3" "$1" "$(cell_x "$2")" "$(cell_y "$2")" 16 16 \
        boules.png 0 $((16 * $3))
}
expect_marker() {  # row
    expect_tile "marker at row $1" board 163 $((265 - 23 * $1)) 29 23 lignes.png 0 \
        $((23 * (10 - $1)))
}

# Presses a key until the screen passes the check. On a busy machine the key
# can go down and up between two of the game's controller samples, and the
# game never sees that press; it is pressed again only when the screen still
# shows no effect after a second.
press_until() {  # key, check and its arguments
    local key=$1
    shift
    for _ in 1 2 3; do
        press "$key"
        for _ in $(seq 10); do
            shot
            "$@" && return 0
            sleep 0.1
        done
    done
    fail "no effect of key $key: $*"
}

color=1
choose() {  # colour
    while ((color < $1)); do
        press_until $KEY_RIGHT cursor_at $((color + 1))
        color=$((color + 1))
    done
    while ((color > $1)); do
        press_until $KEY_LEFT cursor_at $((color - 1))
        color=$((color - 1))
    done
}
place() {  # cell colour
    choose "$2"
    press_until $KEY_KP2 cell_shows "$1" "$2"
}

# Waits up to five seconds for a full row's marks and sets mark to the
# tile that shows them (1 to 14).
expect_marks() {  # row
    for _ in $(seq 25); do
        mark=$(which_tile board 312 "$(mark_y "$1")" 12 solutions.png 15)
        ((mark > 0)) && return 0
        sleep 0.2
        shot
    done
    fail "row $1 shows no marks (tile $mark)"
}
