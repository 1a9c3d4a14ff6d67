#!/bin/bash
# Cross-builds Quorl for 64-bit Windows into build-win32/ on Debian 12:
#
#   bash tools/build-win32.sh [cmake --build options, e.g. --target quorl]
#
# Installs the mingw-w64 toolchain and Wine when missing and builds static
# zlib, libpng, GoogleTest, SDL2 and SDL2_mixer once (tools/win32-deps.sh,
# which also runs alone), then configures and builds with cmake/toolchain-mingw-w64.cmake and
# copies assets/ next to the .exe files, since the game reads its pictures
# from the working directory. Run as root (or with sudo available). The .exe
# files link everything statically: they run on Windows or Wine as they are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="$root/build-win32"

bash "$root/tools/win32-deps.sh"

cmake -S "$root" -B "$build_dir" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64.cmake" \
    -DCMAKE_PREFIX_PATH="$build_dir/deps/prefix" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j2 "$@"
cp -r "$root/assets/." "$build_dir/"
