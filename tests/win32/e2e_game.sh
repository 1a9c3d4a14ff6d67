#!/bin/bash
# Plays the Windows build under Wine on the current X display: the window
# and its 480x272 area, the intro read from beside the .exe when the game is
# started elsewhere (and not from a share\quorl beside a bin folder), the board after keypad 2, a full row
# answered with marks, a stored setting shown checked in the menu, Pause
# holding the game, Escape while paused and Step frame ending it with exit
# code 0, and the settings in the registry afterwards.
# Usage: e2e_game.sh <path-to-quorl.exe> <source-dir>, in a Wine prefix set
# up by tools/wine.sh (WINEPREFIX and WINELOADER set).
set -euo pipefail
quorl=$(realpath "$1")
source_dir=$(realpath "$2")
assets="$source_dir/assets"
wine=${WINELOADER:?"run under tools/wine.sh's wine_setup"}
registry='HKCU\Software\Quorl\Configuration'

work=$(mktemp -d /tmp/quorl-e2e-win32-XXXXXX)
KEY_KP2=88  # by keycode: keypad 2 with NumLock off, as a player's keypad sends it
KEY_LEFT=Left
KEY_RIGHT=Right

pid=""
run_name=e2e-win32
trap 'end_run $KEY_KP2 $KEY_LEFT $KEY_RIGHT' EXIT

# shellcheck source=../support/x11_window.sh
source "$source_dir/tests/support/x11_window.sh"
# shellcheck source=../support/game_screen.sh
source "$source_dir/tests/support/game_screen.sh"

# Wine draws the menu bar and its popups itself and answers F10 and the
# arrow keys in them as Windows does.
menu() {
    for key in F10 "$@"; do
        xdotool key "$key"
        sleep 0.3
    done
}
# Video > Performance open, its first item "Reuse textures (faster)" selected.
open_performance() { menu Right Return Right; }
close_menus() {
    for _ in 1 2 3; do
        xdotool key Escape
        sleep 0.2
    done
}

# Clock ticks of CPU the process used over two seconds.
cpu_ticks() {
    local before after
    before=$(awk '{print $14 + $15}' "/proc/$1/stat")
    sleep 2
    after=$(awk '{print $14 + $15}' "/proc/$1/stat")
    echo $((after - before))
}

# A stored value the menu knows as on, though not 1.
"$wine" reg add "$registry" /v emuReuseTextures /t REG_DWORD /d 2 /f >/dev/null 2>&1 ||
    fail "could not store a setting"

echo "1. the window and its area, the intro from beside the .exe"
# The .exe in a folder named bin with its pictures, a broken intro in a
# share\quorl beside it, started from a folder without pictures.
mkdir -p "$work/game/bin" "$work/game/share/quorl" "$work/elsewhere"
cp "$quorl" "$assets"/*.png "$work/game/bin/"
echo "not a picture" >"$work/game/share/quorl/intro.png"
cd "$work/elsewhere"
"$wine" "$work/game/bin/$(basename "$quorl")" </dev/null >"$work/quorl.log" 2>&1 &
pid=$!
window=$(wait_for_window "Quorl Sample") || fail "no window \"Quorl Sample\""
# Wine's X window holds the client area and the menu bar above it.
info=$(xwininfo -id "$window")
width=$(awk '/Width:/ {print $2}' <<<"$info")
height=$(awk '/Height:/ {print $2}' <<<"$info")
((width == 480)) || fail "the client area is $width pixels wide, not 480"
((height - 272 >= 15 && height - 272 <= 40)) || fail "$height pixels: not one menu line over 272"
locate_screen "$window"
xdotool windowfocus --sync "$window" 2>/dev/null || true
shot
expect_tile "the intro filling the 480x272 area" board 0 0 480 272 intro.png 0 0

echo "2. a stored 2 shows checked; choosing the item clears the mark"
open_performance
import -window root "$work/checked.png"
close_menus
menu Right Return Right Return  # Reuse textures (faster): off
open_performance
import -window root "$work/unchecked.png"
close_menus
# Only the mark differs between the two pictures of the open menu.
changed=$(compare -metric AE "$work/checked.png" "$work/unchecked.png" null: 2>&1 || true)
echo "pixels the mark changed: $changed"
((changed > 0 && changed < 400)) || fail "the mark changed $changed pixels of the open menu"

echo "3. keypad 2 leaves the intro; a full row is answered with marks"
press_until $KEY_KP2 cursor_at 1
expect_cell board 1 0
for slot in 1 2 3 4; do
    place "$slot" "$slot"
done
expect_marks 1
expect_marker 2

echo "4. Pause holds the game; Escape while paused, then Step frame, ends it with 0"
running=$(cpu_ticks "$pid")
menu Return Down Return  # Application > Pause
sleep 0.5
paused=$(cpu_ticks "$pid")
echo "CPU ticks in 2 s: running $running, paused $paused"
((paused * 3 < running && paused <= 10)) || fail "the CPU did not fall: $running, then $paused"
xdotool windowfocus --sync "$window" 2>/dev/null || true
press Escape
sleep 1.5
kill -0 "$pid" 2>/dev/null || fail "the paused game ended before the pause was lifted"
menu Return Return  # Application > Step frame
wait_for_exit "$pid"
[[ $exit_code == 0 ]] || fail "Step frame after Escape: exit code $exit_code"
pid=""

echo "5. the settings as REG_DWORD values"
values=$("$wine" reg query "$registry" 2>/dev/null | tr -d '\r')
echo "$values"
for name in emuReuseTextures emuUsePixelShaders emuFrameSkipMode; do
    grep -Eq "^ +$name +REG_DWORD +0x0$" <<<"$values" || fail "$name is not a REG_DWORD of 0"
done
echo "PASS"
