# shellcheck shell=bash
# The environment Debian's Emscripten needs, for scripts to source.
#
# emcc runs its JavaScript optimizer under node, which finds its parser
# (Debian's node-acorn) only through NODE_PATH; without it every optimized
# link fails. The system libraries come prebuilt in the package's frozen
# cache (/usr/share/emscripten/cache), so nothing is built or written there
# on the first run, and a build flag that would need a library variant the
# package lacks fails at link time instead.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# emcmake with CMake's emulator for try_run checks (the toolchain's own
# CheckTypeSize runs a test program and takes its exit code as the size).
# Node 18 and later have fetch, which the 3.1.6 loader then uses for the
# .wasm beside it and fails on a file path: the program dies with exit code
# 7 and every type reads as 7 or 9 bytes long. Without fetch it loads the
# file from disk.
web_configure() {
    emcmake cmake -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v node);--no-experimental-fetch" "$@"
}
