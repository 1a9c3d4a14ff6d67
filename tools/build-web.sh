#!/bin/bash
# Prepares the browser build in build-web/: installs Debian's Emscripten when
# missing and builds the libraries it needs from Debian's source packages
# once (tools/web-deps.sh, into build-web/deps/prefix). The browser host and
# the game are not built yet; tools/test-web.sh builds and runs the probe
# page that checks the pieces.
#
#   bash tools/build-web.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

start=$SECONDS
bash "$root/tools/web-deps.sh"
echo "build-web/ ready in $((SECONDS - start)) s (libraries in build-web/deps/prefix)"
