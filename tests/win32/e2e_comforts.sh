#!/bin/bash
# The Windows build's window sizes and keys under Wine: 2x chosen in the menu
# gives a 960x544 client area under the menu bar showing the 1x picture
# scaled pixel for pixel; F11 shows it 2x centred on black over the whole
# 1024x768 screen, Alt+Enter brings the window back; a Controls subkey
# edited by hand moves South from keypad 2 to Z, and the Controls dialog,
# opened from the menu, binds it to X with real key presses. F12 saves the
# intro into the Pictures folder, as shown.
# Usage: e2e_comforts.sh <path-to-quorl.exe> <source-dir>, in a Wine prefix
# set up by tools/wine.sh (WINEPREFIX and WINELOADER set).
set -euo pipefail
quorl=$(realpath "$1")
source_dir=$(realpath "$2")
assets="$source_dir/assets"
wine=${WINELOADER:?"run under tools/wine.sh's wine_setup"}
registry='HKCU\Software\Quorl\Configuration'

work=$(mktemp -d /tmp/quorl-e2e-win32-comforts-XXXXXX)
KEY_KP2=88  # by keycode: keypad 2 with NumLock off
KEY_LEFT=Left
KEY_RIGHT=Right
pid=""
run_name=e2e-win32-comforts
trap 'end_run $KEY_KP2 z x space F11 Escape' EXIT
# shellcheck source=../support/x11_window.sh
source "$source_dir/tests/support/x11_window.sh"
# shellcheck source=../support/game_screen.sh
source "$source_dir/tests/support/game_screen.sh"
# shellcheck source=../support/zoom_screen.sh
source "$source_dir/tests/support/zoom_screen.sh"

# Wine draws the menus itself and answers F10 and the arrow keys in them.
menu() {
    for key in F10 "$@"; do
        xdotool key "$key"
        sleep 0.3
    done
}
press_idle() {  # key check and its arguments: the key must do nothing
    local key=$1
    shift
    press "$key"
    sleep 1
    shot
    "$@" || fail "key $key had an effect"
}

"$wine" reg add "$registry" /v emuWindowScale /t REG_DWORD /d 1 /f >/dev/null 2>&1
"$wine" reg add "$registry" /v emuFullScreen /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$wine" reg add "$registry\\Controls" /v south /t REG_SZ /d KeyZ /f >/dev/null 2>&1 ||
    fail "could not store a binding"
# Wine links the user's folders to $HOME: Pictures goes to a folder of the run.
pictures="$WINEPREFIX/drive_c/users/$(whoami)/Pictures"
rm -rf "$pictures"
mkdir -p "$work/pictures"
ln -s "$work/pictures" "$pictures"
cd "$assets"
"$wine" "$quorl" </dev/null >"$work/quorl.log" 2>&1 &
pid=$!
window=$(wait_for_window "Quorl Sample") || fail "no window \"Quorl Sample\""
xdotool windowfocus --sync "$window" 2>/dev/null || true
locate_screen "$window"

echo "1. 2x from the menu"
shot
expect_tile "the intro" board 0 0 480 272 intro.png 0 0
cp "$work/shot.png" "$work/1x.png"
press F12
shots=()
for _ in $(seq 50); do
    mapfile -t shots < <(ls "$work/pictures/Configuration"/Configuration-*.png 2>/dev/null)
    ((${#shots[@]} > 0)) && break
    sleep 0.1
done
((${#shots[@]} == 1)) || fail "F12 saved ${#shots[@]} screenshots"
cp "${shots[0]}" "$work/shot.png"
expect_tile "the screenshot" board 0 0 480 272 intro.png 0 0
cp "$work/1x.png" "$work/shot.png"
menu Right Return Down Down Right Down Return  # Video > Window size > 2x
size=""
for _ in $(seq 25); do
    size=$(window_size "$window")
    [[ $size =~ ^960x([0-9]+)$ ]] && ((BASH_REMATCH[1] - 544 >= 15 && BASH_REMATCH[1] - 544 <= 40)) && break
    sleep 0.2
done
[[ $size =~ ^960x([0-9]+)$ ]] || fail "the window is $size, not a 960x544 client area under a menu bar"
locate_area "$window" 960 544
scaled_picture "$work/1x.png" 2 "$work/2x.png"
expect_picture "2x" "$area_x" "$area_y" 960 544 "$work/2x.png"

echo "2. F11: full screen; Alt+Enter: the window again"
xdotool key F11
scaled_picture "$work/1x.png" 2 "$work/full.png" 1024 768
expect_picture "full screen" 0 0 1024 768 "$work/full.png"
xdotool key alt+Return
sleep 1
locate_area "$window" 960 544
expect_picture "2x again" "$area_x" "$area_y" 960 544 "$work/2x.png"

echo "3. the stored Z for South, then X from the Controls dialog"
menu Right Return Down Down Right Return  # back to 1x for the board's screenshots
sleep 1
locate_screen "$window"
intro_shown() { shows board 0 0 480 272 intro.png 0 0; }
press_idle $KEY_KP2 intro_shown
press_until z cursor_at 1
menu Return Up Up Return  # Application > Controls..., before Save screenshot
dialog=$(wait_for_window "Controls") || fail "no Controls dialog"
sleep 0.3
press space  # the first cell, South's keys, has the focus: it waits
press x
press Return  # OK
for _ in $(seq 50); do
    xwininfo -id "$dialog" 2>/dev/null | grep -q IsViewable || break
    sleep 0.1
done
xdotool windowfocus --sync "$window" 2>/dev/null || true
press_idle z cell_shows 1 0
press_until x cell_shows 1 1

press Escape
wait_for_exit "$pid"
[[ $exit_code == 0 ]] || fail "Escape ended with $exit_code"
pid=""
values=$("$wine" reg query "$registry\\Controls" 2>/dev/null | tr -d '\r')
grep -Eq "^ +south +REG_SZ +KeyX$" <<<"$values" || fail "South is not stored as X: $values"
values=$("$wine" reg query "$registry" 2>/dev/null | tr -d '\r')
grep -Eq "^ +emuWindowScale +REG_DWORD +0x1$" <<<"$values" || fail "the window scale: $values"
echo "PASS"
