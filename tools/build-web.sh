#!/bin/bash
# Builds the browser build into build-web/: installs Debian's Emscripten when
# missing, builds the libraries it needs from Debian's source packages once
# (tools/web-deps.sh, into build-web/deps/prefix), then the game's page
# build-web/quorl.html with its script, WebAssembly and pictures, and the
# examples' pages in build-web/examples/<name>/. Serve the folder with
# tools/serve-web.sh. Arguments go to cmake --build (e.g. --target quorl).
#
#   bash tools/build-web.sh
#
# With QUORL_WEB_TESTS=1 (tools/test-web.sh sets it) the library's GL suites
# and the benchmark page are built too, into build-web/tests/ and
# build-web/bench/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-web"
build="$out/build"
prefix="$out/deps/prefix"

start=$SECONDS
bash "$root/tools/web-deps.sh"
# shellcheck source=web-env.sh
source "$root/tools/web-env.sh"

options=(-DQUORL_BUILD_TESTS=OFF)
if [[ "${QUORL_WEB_TESTS:-0}" != 0 ]]; then
    gtest=$(bash "$root/tools/web-deps.sh" googletest-source)
    options=(-DQUORL_BUILD_TESTS=ON -DQUORL_WEB_GTEST_SOURCE="$gtest")
fi
mkdir -p "$build"
web_configure -S "$root" -B "$build" -Wno-dev \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DCMAKE_PREFIX_PATH="$prefix" \
    -DQUORL_INSTALL=OFF \
    -DQUORL_WEB_PAGES_DIR="$out" \
    "${options[@]}" >"$build.log" 2>&1 || { cat "$build.log" >&2; exit 1; }
targets=()
if [[ "${QUORL_WEB_TESTS:-0}" != 0 && $# == 0 ]]; then
    targets=(--target all web_tests)
fi
cmake --build "$build" -j2 "${targets[@]}" "$@" >>"$build.log" 2>&1 ||
    { grep -E 'error|Error' -A5 "$build.log" | head -60 >&2; exit 1; }

# A start page for the folder.
cat >"$out/index.html" <<'EOF'
<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Quorl in the browser</title>
<style>body { background: #1b1d22; color: #e4e4e4; font: 16px/1.5 system-ui, sans-serif; margin: 2em; }
a { color: #8ab4f8; }</style></head>
<body><h1>Quorl in the browser</h1><ul>
<li><a href="quorl.html">The code-breaking game</a></li>
<li><a href="examples/hello_sprite/hello_sprite.html">hello_sprite</a></li>
<li><a href="examples/showcase/showcase.html">showcase</a></li>
</ul></body></html>
EOF
echo "build-web/ built in $((SECONDS - start)) s: bash tools/serve-web.sh, then open quorl.html"
