#!/bin/bash
# The player's own keys in the real program: a hand-edited Controls group
# moves South from keypad 2 to Z (keypad 2 then does nothing) and names an
# unknown key for East, which keeps its default keypad 3; then the Controls
# dialog, opened from the menu, binds South to X with real key presses, and
# only the row that changed is written back.
# Usage: e2e_controls.sh <path-to-quorl> <source-dir>
set -euo pipefail
quorl=$(realpath "$1")
source_dir=$(realpath "$2")
assets="$source_dir/assets"

# shellcheck source=support/scratch_home.sh
source "$source_dir/tests/support/scratch_home.sh" e2e-controls
settings="$XDG_CONFIG_HOME/Quorl/Configuration.conf"
KEY_KP2=88  # keypad keys by keycode, as in e2e_game.sh
KEY_KP3=89
KEY_LEFT=Left
KEY_RIGHT=Right
pid=""
run_name=e2e-controls
trap 'end_run $KEY_KP2 $KEY_KP3 z x space Return Escape' EXIT
# shellcheck source=support/x11_window.sh
source "$source_dir/tests/support/x11_window.sh"
# shellcheck source=support/game_screen.sh
source "$source_dir/tests/support/game_screen.sh"

# A key that must do nothing: the screen still passes the check a second later.
press_idle() {  # key check and its arguments
    local key=$1
    shift
    press "$key"
    sleep 1
    shot
    "$@" || fail "key $key had an effect"
}

mkdir -p "$(dirname "$settings")"
printf '[Controls]\nsouth=KeyZ\neast=Numpd3\n' >"$settings"
cd "$assets"
"$quorl" >"$work/quorl.log" 2>&1 &
pid=$!
window=$(wait_for_window "Quorl Sample") || fail "no game window"
locate_screen "$window"
xdotool windowfocus --sync "$window" 2>/dev/null || true

echo "1. the stored keys: Z for South, keypad 3 kept for East"
shot
expect_tile "the intro" board 0 0 480 272 intro.png 0 0
intro_shown() { shows board 0 0 480 272 intro.png 0 0; }
press_idle $KEY_KP2 intro_shown
press_until z cursor_at 1
press_until z cell_shows 1 1
press_until $KEY_KP3 cell_shows 1 0  # East clears the row in progress

echo "2. the dialog binds South to X"
menu_height=$(( $(xwininfo -id "$window" | awk '/Height:/ {print $2}') - 272 ))
xdotool mousemove --window "$window" 20 $((menu_height / 2)) click 1
sleep 0.3
xdotool key Up Up Return  # Application > Controls..., before Save screenshot
dialog=$(wait_for_window "Controls") || fail "no Controls dialog"
sleep 0.3
press space  # the first cell, South's keys, has the focus: it waits
press x
press Return  # OK
for _ in $(seq 50); do
    xwininfo -id "$dialog" 2>/dev/null | grep -q IsViewable || break
    sleep 0.1
done
xwininfo -id "$dialog" 2>/dev/null | grep -q IsViewable && fail "the dialog stayed open after OK"
grep -qx "south=KeyX" "$settings" || fail "South is not stored as X: $(cat "$settings")"
grep -qx "east=Numpd3" "$settings" || fail "East's text was rewritten: $(cat "$settings")"
xdotool windowfocus --sync "$window" 2>/dev/null || true
press_idle z cell_shows 1 0
press_until x cell_shows 1 1

press Escape
wait_for_exit "$pid"
[[ $exit_code == 0 ]] || fail "Escape ended with $exit_code"
pid=""
echo "PASS"
