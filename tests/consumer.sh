#!/bin/bash
# Builds a game of one's own out of the tree, as a game author would: against
# Quorl installed into a scratch prefix (find_package) and with Quorl's
# sources taken in (add_subdirectory). Plays each build in a real window, with
# a WAV and an Ogg file to play (heard through SDL's disk audio driver), then
# plays the installed game from a folder without its pictures.
# Usage: consumer.sh <source-dir> <build-dir> <sanitizer: OFF, address or thread>
set -euo pipefail
source_dir=$(realpath "$1")
build_dir=$(realpath "$2")
sanitize=${3:-OFF}

# shellcheck source=support/scratch_home.sh
source "$source_dir/tests/support/scratch_home.sh" consumer
mkdir -p "$work/elsewhere"
# shellcheck source=support/x11_window.sh
source "$source_dir/tests/support/x11_window.sh"

# Main-row 2, keypad 2 and Escape by keycode.
KEY_MAIN2=11
KEY_KP2=88
pid=""
cleanup() {
    for key in $KEY_MAIN2 $KEY_KP2 Escape; do
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
    [[ -f "$work/shot.png" ]] && cp "$work/shot.png" /tmp/quorl-consumer-failure.png
    exit 1
}

# A sanitized Quorl's libraries need the sanitizer's runtime in the game too.
flags=()
case "$sanitize" in
    thread) flags=(-DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread) ;;
    OFF | "") ;;
    *) flags=("-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined"
              "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined") ;;
esac

build_consumer() {
    local name=$1
    shift
    cmake -S "$source_dir/tests/consumer" -B "$work/$name" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        "${flags[@]}" "$@" >"$work/$name.log" 2>&1 &&
        cmake --build "$work/$name" --parallel "$(nproc)" >>"$work/$name.log" 2>&1 ||
        { tail -30 "$work/$name.log" >&2; fail "the consumer did not build ($name)"; }
    ! grep -q -- "whole-archive" "$work/$name/CMakeFiles/consumer_game.dir/link.txt" ||
        fail "the host archive is linked whole ($name)"
}

cp "$source_dir/assets/place.wav" "$work/elsewhere/click.wav"
cp "$source_dir/examples/showcase/tune.ogg" "$work/elsewhere/tune.ogg"

play_consumer() {
    local game=$1 blue="0,0,160" green="0,160,0" yellow="255,255,0"
    local capture="$work/sound.raw"
    rm -f "$capture"
    (cd "$work/elsewhere" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$capture" exec "$game") &
    pid=$!
    local id
    id=$(wait_for_window "Consumer Game") || fail "no window from $game"
    locate_screen "$id"
    expect_pixel "background" 240 200 "$blue"
    # "HELLO" at (8, 8): ink in the text's colour, the screen between strokes.
    expect_pixel "text" 8 8 "$yellow"
    expect_pixel "inside the H" 10 10 "$blue"
    expect_pixel "a filled circle" 400 100 "$yellow"
    expect_pixel "the tinted sheet frame" 310 50 "255,0,0"
    expect_pixel "inside the outline" 120 55 "$blue"
    for key in $KEY_MAIN2 $KEY_KP2; do
        xdotool keydown "$key"
        expect_pixel "key $key held" 240 200 "$green"
        xdotool keyup "$key"
        expect_pixel "key $key released" 240 200 "$blue"
    done
    xdotool key --window "$id" Escape
    wait_for_exit "$pid"
    [[ "$exit_code" == 0 ]] || fail "$game ended with $exit_code"
    pid=""
    local store="$XDG_CONFIG_HOME/Quorl Tests/Consumer.conf"
    [[ -f "$store" ]] || fail "no settings store named by the game"
    for line in "southKey=2" "southKeyWidth=14" "savedAt=30"; do
        grep -qx "$line" "$store" || fail "the game's saved data lacks $line: $(cat "$store")"
    done
    [[ $(identify -format "%wx%h" "$work/elsewhere/game-shot.png" 2>/dev/null) == 480x272 ]] ||
        fail "no 480x272 screenshot from the game"
    rm -f "$work/elsewhere/game-shot.png" "$store"
    local loud
    loud=$(od -An -v -t d2 -w2 "$capture" | awk '$1 > 64 || $1 < -64 { n++ } END { print n + 0 }')
    ((loud > 0)) || fail "$game played no sound"
}

cmake --install "$build_dir" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
    { tail -20 "$work/install.log" >&2; fail "cmake --install"; }
build_consumer by-package -DCMAKE_PREFIX_PATH="$work/prefix"
play_consumer "$work/by-package/consumer_game"
build_consumer by-subdirectory -DQUORL_SOURCE="$source_dir" -DQUORL_HOST_FIRST=ON
# Taken in by another project, Quorl builds its library and host only.
[[ ! -e "$work/by-subdirectory/quorl/tests" && ! -e "$work/by-subdirectory/quorl/quorl" ]] ||
    fail "add_subdirectory built Quorl's tests or game"
play_consumer "$work/by-subdirectory/consumer_game"

# The installed game reads its pictures from <prefix>/share/quorl, wherever it
# is started; main-row 2 starts a game as keypad 2 does.
[[ -f "$work/prefix/share/quorl/intro.png" ]] || fail "pictures not installed"
[[ -f "$work/prefix/share/quorl/place.wav" ]] || fail "sounds not installed"
(cd "$work/elsewhere" && exec "$work/prefix/bin/quorl") &
pid=$!
id=$(wait_for_window "Quorl Sample") || fail "no window from the installed game"
locate_screen "$id"
# Pixels of the last screenshot that differ from a picture, within the
# 5-bit colour channels the game's pictures are kept in.
differing_from() {
    compare -metric AE -fuzz 6% "$work/shot.png" "$1" null: 2>&1 || true
}
intro="$work/prefix/share/quorl/intro.png"
for _ in $(seq 25); do
    shot
    [[ $(differing_from "$intro") == 0 ]] && break
    sleep 0.2
done
[[ $(differing_from "$intro") == 0 ]] || fail "the installed game does not show its intro"
xdotool key --delay 120 $KEY_MAIN2
for _ in $(seq 25); do
    shot
    (($(differing_from "$intro") > 10000)) && break
    sleep 0.2
done
(($(differing_from "$intro") > 10000)) || fail "main-row 2 did not start a game"
xdotool key --window "$id" Escape
wait_for_exit "$pid"
[[ "$exit_code" == 0 ]] || fail "the installed game ended with $exit_code"
pid=""
echo "consumer builds and the installed game: all passed"
