#!/bin/bash
# Plays the game in the real window under the current X display: keys go in
# through xdotool, screenshots of the 480x272 area are compared with the
# artwork at the board's places, and SDL's disk audio driver writes what the
# game plays to a file (placing a ball must put sound in it). Then a missing
# picture must end the program with a message box and a non-zero exit code.
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
run_name=e2e-game
trap 'end_run $KEY_KP2 $KEY_LEFT $KEY_RIGHT $KEY_ESCAPE $KEY_RETURN' EXIT

# shellcheck source=support/x11_window.sh
source "$source_dir/tests/support/x11_window.sh"

# shellcheck source=support/game_screen.sh
source "$source_dir/tests/support/game_screen.sh"

# The game's sound output: 16-bit stereo frames.
capture="$work/sound.raw"
# Samples louder than 64 in the capture from byte $1 on.
loud_samples() {
    tail -c +$(($1 + 1)) "$capture" 2>/dev/null | od -An -v -t d2 -w2 |
        awk '$1 > 64 || $1 < -64 { n++ } END { print n + 0 }'
}
# True when the last 0.2 s of the capture are silent.
quiet_tail() {
    local size
    size=$(stat -c %s "$capture" 2>/dev/null || echo 0)
    ((size > 38400)) && (($(loud_samples $((size - 38400))) == 0))
}

# --- Playing ---------------------------------------------------------------
cd "$assets"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$capture" "$quorl" >"$work/quorl.log" 2>&1 &
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

# The new game's sound dies away; then the press that places the first ball
# brings sound.
for _ in $(seq 50); do
    quiet_tail && break
    sleep 0.1
done
quiet_tail || fail "the game's sound does not die away"
before=$(stat -c %s "$capture")

# Row 1: colours 1 to 4, the cursor moving right between the balls.
for slot in 1 2 3 4; do
    place "$slot" "$slot"
    if ((slot == 1)); then
        for _ in $(seq 50); do
            (($(loud_samples "$before") > 0)) && break
            sleep 0.1
        done
        (($(loud_samples "$before") > 0)) || fail "placing a ball put no sound in the capture"
    fi
    if ((slot < 4)); then
        expect_cell board $((slot + 1)) 0
    fi
done
for slot in 1 2 3 4; do
    expect_cell board "$slot" "$slot"
done
# Four different colours out of six share at least two with any code, so
# the row has marks.
expect_marks 1

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
