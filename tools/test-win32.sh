#!/bin/bash
# Builds the Windows program and its test suites (tools/build-win32.sh) and
# runs them under Wine in a private prefix: the unit suites, then the game
# played end to end. Starts its own X server when there is no display.
# Arguments go to ctest (e.g. -R e2e_win32).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/build-win32.sh" >/dev/null
# xdotool, ImageMagick and the X tools of the end-to-end test.
bash "$root/tools/install-deps.sh"

# shellcheck source=wine.sh
source "$root/tools/wine.sh"
trap 'wine_cleanup; if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi' EXIT
wine_setup
cd "$root/build-win32"
ctest --output-on-failure --timeout 300 "$@"
