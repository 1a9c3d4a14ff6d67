#!/bin/bash
# Plays the game in the real window under the current X display: keys go in
# through xdotool, screenshots of the 480x272 area are compared with the
# artwork at the board's places. Then a missing picture must end the program
# with a message box and a non-zero exit code.
# Usage: e2e_game.sh <path-to-quorl> <source-dir>
set -euo pipefail
quorl=$(realpath "$1")
source_dir=$(realpath "$2")
assets="$source_dir/assets"

# shellcheck source=support/scratch_home.sh
source "$source_dir/tests/support/scratch_home.sh" e2e-game

# Keys, held for about 100 ms like a player's press. The keypad key goes by
# its keycode (KP_2 is 88), which gives its NumLock-off keysym; the others by
# keysym name, since xdotool reads a one-digit number as a keysym ("9").
KEY_KP2=88
KEY_LEFT=Left
KEY_RIGHT=Right
KEY_ESCAPE=Escape
KEY_RETURN=Return

pid=""
cleanup() {
    # A run cut short must not leave a key held down in the X server.
    for key in $KEY_KP2 $KEY_LEFT $KEY_RIGHT $KEY_ESCAPE $KEY_RETURN; do
        xdotool keyup "$key" 2>/dev/null || true
    done
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [[ -f "$work/shot.png" ]]; then
        cp "$work/shot.png" "/tmp/quorl-e2e-game-failure.png" 2>/dev/null || true
        echo "last screenshot: /tmp/quorl-e2e-game-failure.png" >&2
    fi
    exit 1
}

press() {
    xdotool keydown "$1"
    sleep 0.12
    xdotool keyup "$1"
    sleep 0.12
}

# shellcheck source=support/x11_window.sh
source "$source_dir/tests/support/x11_window.sh"

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

# --- Playing ---------------------------------------------------------------
cd "$assets"
"$quorl" >"$work/quorl.log" 2>&1 &
pid=$!
window=$(wait_for_window "Quorl Sample") || fail "no game window"
locate_screen "$window"
xdotool windowfocus --sync "$window" 2>/dev/null || true

shot
expect_tile "the intro" board 0 0 480 272 intro.png 0 0

# The press that leaves the intro places nothing.
press_until $KEY_KP2 cursor_at 1
for cell in 1 4 21 37 40; do
    expect_cell board "$cell" 0
done
for row in 1 10; do
    expect_tile "empty marks of row $row" board 312 "$(mark_y $row)" 12 12 solutions.png 0 0
done
expect_marker 1

# Row 1: colours 1 to 4, the cursor moving right between the balls.
for slot in 1 2 3 4; do
    place "$slot" "$slot"
    if ((slot < 4)); then
        expect_cell board $((slot + 1)) 0
    fi
done
for slot in 1 2 3 4; do
    expect_cell board "$slot" "$slot"
done
# Four different colours out of six share at least two with any code, so
# the row has marks.
for _ in $(seq 25); do
    mark=$(which_tile board 312 "$(mark_y 1)" 12 solutions.png 15)
    ((mark > 0)) && break
    sleep 0.2
    shot
done
((mark > 0)) || fail "row 1 shows no marks (tile $mark)"

if ((mark == 14)); then
    ended=won
else
    ended=lost
    expect_marker 2
    # Nine more rows of 1-2-3-4 use every cell; each gets the same marks.
    for row in $(seq 2 10); do
        for slot in 1 2 3 4; do
            place $((4 * row - 4 + slot)) "$slot"
        done
        expect_tile "row $row with the marks of row 1" board 312 "$(mark_y "$row")" 12 12 \
            solutions.png 0 $((12 * mark))
    done
    # Past the tenth row the marker shows nothing over the background.
    expect_tile "nothing past the tenth row" board 163 12 29 23 fond.png 163 12
fi

picture=$([[ $ended == won ]] && echo gagne.png || echo perdu.png)
# The picture above and below the code balls, which are drawn over it.
expect_tile "the $ended picture" "$ended" 362 140 102 30 "$picture" 0 0
expect_tile "the $ended picture" "$ended" 362 188 102 16 "$picture" 0 48
code=()
for slot in 0 1 2 3; do
    code+=("$(which_tile "$ended" $((375 + 20 * slot)) 170 16 boules.png 7)")
    ((code[slot] >= 1)) || fail "code ball $((slot + 1)) shows no colour"
done
echo "revealed code: ${code[*]}, row marks: tile $mark"
# The marks of 1-2-3-4 against the revealed code.
exact=0
colour_only=0
for i in 0 1 2 3; do
    for j in 0 1 2 3; do
        if ((code[j] == i + 1)); then
            if ((i == j)); then exact=$((exact + 1)); else colour_only=$((colour_only + 1)); fi
        fi
    done
done
((mark == exact * (11 - exact) / 2 + colour_only)) ||
    fail "marks tile $mark do not fit the code ${code[*]}"

# A new game from the end screen: the same press places colour 1 on an
# empty board (row 1 held 1-2-3-4 before).
restarted() { cell_shows 1 1 && cell_shows 2 0; }
press_until $KEY_KP2 restarted
expect_cell board 2 0
expect_cell board 40 0
expect_marker 1

# Escape ends the game at its next frame. A second Escape, should the first
# go unseen, would end it at once, which saves the settings as well.
status=0
for _ in 1 2; do
    press $KEY_ESCAPE
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break 2
        sleep 0.1
    done
done
kill -0 "$pid" 2>/dev/null && fail "the game did not end after Escape"
wait "$pid" || status=$?
pid=""
[[ "$status" == 0 ]] || fail "exit code $status after Escape"
settings="$XDG_CONFIG_HOME/Quorl/Configuration.conf"
[[ -f "$settings" ]] || fail "no settings file at $settings"
for name in emuReuseTextures emuUsePixelShaders emuFrameSkipMode; do
    grep -q "^$name=" "$settings" || fail "$name is not in the settings file"
done

# --- Missing pictures --------------------------------------------------------
# Runs the game in a directory and expects the message box, then exit code 1
# once the box is closed. $2: keys to press before the box is expected.
expect_missing_picture() {
    local dir=$1 before=$2
    cd "$dir"
    "$quorl" >"$work/quorl.log" 2>&1 &
    pid=$!
    if [[ -n "$before" ]]; then
        window=$(wait_for_window "Quorl Sample") || fail "no game window in $dir"
        xdotool windowfocus --sync "$window" 2>/dev/null || true
        sleep 1
        press "$before"
    fi
    local box
    box=$(wait_for_window "Error") || fail "no message box for a missing picture in $dir"
    # The program waits for the player to read the box.
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || fail "the message box in $dir closed by itself"
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    press $KEY_RETURN
    status=0
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "the game did not end after the message box"
    wait "$pid" || status=$?
    pid=""
    [[ "$status" != 0 ]] || fail "a missing picture ended with exit code 0"
}

mkdir "$work/empty"
expect_missing_picture "$work/empty" ""

# Everything but the cursor: the intro shows, the first game cannot start.
mkdir "$work/partial"
cp "$assets"/*.png "$work/partial/"
rm "$work/partial/fleche.png"
expect_missing_picture "$work/partial" $KEY_KP2

echo "e2e_game: all checks passed"
