#!/bin/bash
# Prepares the browser build: installs Debian's Emscripten when missing, then
# builds static zlib, libpng 1.6, SDL2 (audio and joystick on Web Audio and
# the Gamepad API), libogg, libvorbis and SDL2_mixer (WAV and Ogg Vorbis)
# for wasm32-emscripten from Debian's source packages into
# build-web/deps/prefix (Debian ships no WebAssembly build of them).
#
#   bash tools/web-deps.sh            # everything below, in order
#   bash tools/web-deps.sh packages   # only the Debian packages
#   bash tools/web-deps.sh sources    # packages + fetch the sources
#   bash tools/web-deps.sh test-tools # what the browser tests need: Chromium,
#                                     # Node.js and npm, SoX, puppeteer-core
#
# Source tools/web-env.sh afterwards for the compiler's environment. Run as
# root (or with sudo available). Re-runs are cheap: the sources are fetched
# once into build-web/deps/src and the libraries are rebuilt only when
# build-web/deps/prefix/.stamp is missing or out of date.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$root/build-web/deps"
src="$deps/src"
prefix="$deps/prefix"
jobs=2  # the machine has two cores and is shared
packages=(libpng1.6 zlib libsdl2 libsdl2-mixer libogg libvorbis)

# shellcheck source=debian-source.sh
source "$root/tools/debian-source.sh"
# shellcheck source=web-env.sh
source "$root/tools/web-env.sh"

install_packages() {
    bash "$root/tools/install-deps.sh" emscripten cmake make dpkg-dev xz-utils
}

# Chromium, Node.js with npm (the machine may have them from elsewhere than
# Debian: only missing commands are installed), SoX for the test sound, and
# puppeteer-core from npm into tests/web/node_modules without a browser
# download (it drives Debian's Chromium).
install_test_tools() {
    local wanted=(chromium sox libsox-fmt-base)
    command -v node >/dev/null || wanted+=(nodejs)
    command -v npm >/dev/null || wanted+=(npm)
    bash "$root/tools/install-deps.sh" "${wanted[@]}"
    local dir="$root/tests/web" stamp want
    stamp="$dir/node_modules/.quorl-lock"
    want=$(cksum <"$dir/package-lock.json")
    if [[ -f "$stamp" && "$(cat "$stamp")" == "$want" ]]; then
        return 0
    fi
    echo "Installing puppeteer-core into $dir/node_modules"
    (cd "$dir" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
    echo "$want" >"$stamp"
}

fetch_sources() {
    if [[ -f "$src/.fetched" ]]; then
        return 0
    fi
    rm -rf "$src"
    mkdir -p "$deps"
    fetch_debian_sources "$src" "$deps/fetch.log" "${packages[@]}"
    touch "$src/.fetched"
}

build_zlib() {
    local dir build="$deps/build/zlib"
    dir=$(debian_source_dir "$src" zlib)
    # A handful of C files: compiled directly, as its CMake build would also
    # make a shared library and an example program.
    mkdir -p "$build"
    local sources=(adler32 compress crc32 deflate gzclose gzlib gzread gzwrite
                   infback inffast inflate inftrees trees uncompr zutil)
    printf '%s\n' "${sources[@]}" | xargs -P "$jobs" -I{} \
        emcc -O2 -Wall -DHAVE_UNISTD_H -c "$dir/{}.c" -o "$build/{}.o"
    local objects=("${sources[@]/%/.o}")
    rm -f "$build/libz.a"
    (cd "$build" && emar rcs libz.a "${objects[@]}")
    install -d "$prefix/include" "$prefix/lib"
    install -m 644 "$dir/zlib.h" "$dir/zconf.h" "$prefix/include/"
    install -m 644 "$build/libz.a" "$prefix/lib/"
}

# Configures, builds and installs the CMake project of Debian source
# package $2 in deps/build/$1 with extra cache settings after that.
cmake_dep() {
    local name=$1 dir
    dir=$(debian_source_dir "$src" "$2")
    shift 2
    local build="$deps/build/$name"
    rm -rf "$build"
    # The toolchain searches only below its find roots: the prefix is one.
    web_configure -S "$dir" -B "$build" -Wno-dev \
        -DCMAKE_FIND_ROOT_PATH="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=OFF \
        "$@" >"$build.log" 2>&1 || { cat "$build.log" >&2; return 1; }
    cmake --build "$build" -j"$jobs" >>"$build.log" 2>&1 || { tail -50 "$build.log" >&2; return 1; }
    cmake --install "$build" >>"$build.log" 2>&1 || { tail -50 "$build.log" >&2; return 1; }
}

build_deps() {
    local stamp="$prefix/.stamp" want
    # Rebuild when the sources, the build steps below or the compiler change.
    want="$(ls "$src") $(declare -f build_zlib cmake_dep build_deps | cksum) $(emcc --version | head -1)"
    if [[ -f "$stamp" && "$(cat "$stamp")" == "$want" ]]; then
        return 0
    fi
    local start=$SECONDS step
    rm -rf "$prefix" "$deps/build"
    mkdir -p "$prefix" "$deps/build"

    step=$SECONDS
    build_zlib
    echo "Built zlib in $((SECONDS - step)) s"

    step=$SECONDS
    # No SIMD code paths: the emulated x86 the toolchain claims has none.
    cmake_dep libpng libpng1.6 \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DZLIB_ROOT="$prefix"
    echo "Built libpng in $((SECONDS - step)) s"

    step=$SECONDS
    # Sound and gamepads only: the page's canvas, keys and GL context belong
    # to the host, so SDL's video (and what hangs on it) stays out. SDL's own
    # iconv (UTF-8, UTF-16, UTF-32, Latin-1) stands in for the C library's,
    # whose East Asian code tables would add some 150 KB to every page.
    cmake_dep sdl2 libsdl2 \
        -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
        -DSDL_VIDEO=OFF -DSDL_RENDER=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF \
        -DSDL_POWER=OFF -DSDL_HIDAPI=OFF -DSDL_SYSTEM_ICONV=OFF \
        -DSDL_AUDIO=ON -DSDL_JOYSTICK=ON -DSDL_EVENTS=ON -DSDL_TIMERS=ON
    echo "Built SDL2 in $((SECONDS - step)) s"

    step=$SECONDS
    cmake_dep ogg libogg -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
    cmake_dep vorbis libvorbis -DBUILD_TESTING=OFF
    echo "Built libogg and libvorbis in $((SECONDS - step)) s"

    step=$SECONDS
    # Debian's source drops the bundled decoders, so Ogg Vorbis goes through
    # libvorbisfile, linked in; every other format is left out.
    cmake_dep sdl2_mixer libsdl2-mixer \
        -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_SAMPLES=OFF \
        -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MP3=OFF \
        -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_WAVE=ON \
        -DSDL2MIXER_VORBIS=VORBISFILE -DSDL2MIXER_VORBIS_VORBISFILE_SHARED=OFF
    echo "Built SDL2_mixer in $((SECONDS - step)) s"

    echo "$want" >"$stamp"
    echo "Dependencies built in $((SECONDS - start)) s into $prefix"
}

main() {
    local what=${1:-all}
    install_packages
    case "$what" in
        packages) ;;
        sources) fetch_sources ;;
        all) fetch_sources; build_deps ;;
        test-tools) install_test_tools ;;
        *) echo "usage: $0 [all|packages|sources|test-tools]" >&2; return 2 ;;
    esac
}

main "$@"
