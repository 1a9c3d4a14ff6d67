#!/bin/bash
# Builds and runs the benchmarks (not part of the tests: they measure, they do
# not judge). Each prints a table, then one name=value line per figure; the
# figures of all of them are repeated at the end. Starts its own X server when
# there is no display. Usage: bash tools/bench.sh [benchmark names...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/install-deps.sh"  # SDL2 and SDL2_mixer, the benchmarks' peers, among them
benches=("$@")
if ((${#benches[@]} == 0)); then
    benches=(bench_frame bench_sprites bench_wait bench_start bench_png bench_upload bench_sound bench_zoom bench_web)
fi
# bench_web runs in headless Chromium against the browser build; the others
# are programs of build/.
native=()
for bench in "${benches[@]}"; do
    [[ "$bench" == bench_web ]] || native+=("$bench")
done
if ((${#native[@]} > 0)); then
    # A build folder configured before SDL2 was installed finds it now.
    bash "$root/tools/build.sh" --target "${native[@]}" >/dev/null
fi
if ((${#native[@]} < ${#benches[@]})); then
    bash "$root/tools/web-deps.sh" test-tools >/dev/null
    QUORL_WEB_TESTS=1 bash "$root/tools/build-web.sh" >/dev/null
fi

trap 'if [[ -n "${xvfb_pid:-}" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi' EXIT
# bench_zoom shows frames at 4x (1920x1088) and full screen on 1920x1080,
# beside an SDL2 window of that size.
xvfb_screen=3900x1200x24
# shellcheck source=xvfb.sh
source "$root/tools/xvfb.sh"
export MESA_SHADER_CACHE_DISABLE=true

cd "$root"  # benchmarks read pictures from the source tree
figures=""
for bench in "${benches[@]}"; do
    echo "== $bench"
    if [[ "$bench" == bench_web ]]; then
        output=$(bash "$root/tools/with-web-server.sh" node "$root/bench/web/bench_web.mjs")
    else
        output=$("$root/build/$bench")
    fi
    echo "$output"
    figures+=$(grep -E '^[a-z0-9_]+=' <<<"$output" || true)$'\n'
done
echo "== figures"
printf '%s' "$figures"
