#!/bin/bash
# Screenshots the player takes in the real program: F12 writes the intro as
# shown, 480x272, into <Pictures>/Configuration/ and the title says so for a
# while; Application > Save screenshot does the same; a pictures folder that
# cannot hold the game's subfolder gives a message box and the game goes on.
# Usage: e2e_screenshot.sh <path-to-quorl> <source-dir>
set -euo pipefail
quorl=$(realpath "$1")
source_dir=$(realpath "$2")
assets="$source_dir/assets"

# shellcheck source=support/scratch_home.sh
source "$source_dir/tests/support/scratch_home.sh" e2e-screenshot
pictures="$HOME/Pictures"  # Qt's pictures location without a user-dirs file
pid=""
run_name=e2e-screenshot
trap 'end_run F12 Return Escape' EXIT
# shellcheck source=support/x11_window.sh
source "$source_dir/tests/support/x11_window.sh"
# shellcheck source=support/game_screen.sh
source "$source_dir/tests/support/game_screen.sh"

# Waits until the folder holds `count` screenshots; prints the newest.
wait_for_shots() {  # count
    local files=()
    for _ in $(seq 50); do
        mapfile -t files < <(ls -t "$pictures/Configuration"/Configuration-*.png 2>/dev/null || true)
        ((${#files[@]} >= $1)) && break
        sleep 0.1
    done
    ((${#files[@]} >= $1)) || fail "${#files[@]} screenshots, not $1"
    echo "${files[0]}"
}

mkdir -p "$pictures"
cd "$assets"
"$quorl" >"$work/quorl.log" 2>&1 &
pid=$!
window=$(wait_for_window "Quorl Sample") || fail "no game window"
locate_screen "$window"
xdotool windowfocus --sync "$window" 2>/dev/null || true
shot
expect_tile "the intro" board 0 0 480 272 intro.png 0 0

echo "1. F12 saves the frame shown, and the title says so"
press F12
file=$(wait_for_shots 1)
name=$(basename "$file")
[[ $name =~ ^Configuration-[0-9]{8}-[0-9]{6}-[0-9]{3}\.png$ ]] || fail "the file is named $name"
[[ $(identify -format "%wx%h" "$file") == 480x272 ]] || fail "the screenshot is not 480x272"
cp "$file" "$work/shot.png"
expect_tile "the screenshot" board 0 0 480 272 intro.png 0 0
xdotool getwindowname "$window" | grep -qx "Saved $name" || fail "the title is \"$(xdotool getwindowname "$window")\""
for _ in $(seq 40); do
    [[ $(xdotool getwindowname "$window") == "Quorl Sample" ]] && break
    sleep 0.1
done
[[ $(xdotool getwindowname "$window") == "Quorl Sample" ]] || fail "the title did not come back"

echo "2. Application > Save screenshot saves another"
menu_height=$(($(xwininfo -id "$window" | awk '/Height:/ {print $2}') - 272))
sleep 0.01  # a new millisecond, so a new name
xdotool mousemove --window "$window" 20 $((menu_height / 2)) click 1
sleep 0.3
xdotool key Up Return  # the last item of Application
wait_for_shots 2 >/dev/null

echo "3. a folder that cannot be made gives a message; the game goes on"
rm -rf "$pictures/Configuration"
echo "not a folder" >"$pictures/Configuration"
xdotool windowfocus --sync "$window" 2>/dev/null || true
press F12
# The box: another top-level window of the game's title (the game's own
# children may bear it too, so only the root's children are looked at).
message_box() {
    local id
    for id in $(xwininfo -root -children | awk '/"Quorl Sample"/ {print $1}'); do
        if ((id != window)) && xwininfo -id "$id" | grep -q IsViewable; then
            echo $((id))
            return
        fi
    done
}
box=""
for _ in $(seq 50); do
    box=$(message_box)
    [[ -n $box ]] && break
    sleep 0.1
done
[[ -n $box ]] || fail "no message box"
# The box may take the keyboard a moment after it shows: Return until no box
# is left (looked for anew each time, and twice, as a box may be mapped again).
gone=0
for _ in $(seq 20); do
    box=$(message_box)
    if [[ -z $box ]]; then
        ((++gone >= 2)) && break
        sleep 0.2
        continue
    fi
    gone=0
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    press Return
    sleep 0.3
done
((gone >= 2)) || fail "the message box stayed open"
kill -0 "$pid" 2>/dev/null || fail "the game ended"
# The keyboard comes back to the game's window a moment after the box goes.
for _ in $(seq 10); do
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    press Escape
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || break
done
wait_for_exit "$pid"
[[ $exit_code == 0 ]] || fail "Escape ended with $exit_code"
pid=""
echo "PASS"
