#!/bin/bash
# Prepares the Windows cross build: installs the mingw-w64 toolchain and Wine
# when missing, then builds static zlib, libpng 1.6, GoogleTest, SDL2 and
# SDL2_mixer for x86_64-w64-mingw32 from Debian's source packages into
# build-win32/deps/prefix (Debian ships no Windows build of them).
#
#   bash tools/win32-deps.sh            # everything below, in order
#   bash tools/win32-deps.sh packages   # only the Debian packages (also Wine)
#   bash tools/win32-deps.sh sources   # packages + fetch the sources
#
# Run as root (or with sudo available). Re-runs are cheap: each source is
# fetched once into build-win32/deps/src and the libraries are rebuilt only
# when build-win32/deps/prefix/.stamp is missing or out of date (new sources,
# or a change to this script or to the toolchain file).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$root/build-win32/deps"
src="$deps/src"
prefix="$deps/prefix"
toolchain="$root/cmake/toolchain-mingw-w64.cmake"
triple=x86_64-w64-mingw32
jobs=2  # the machine has two cores and is shared
# Debian source packages, each unpacked into $src/<name>-<version>.
src_packages=(libpng1.6 zlib googletest libsdl2 libsdl2-mixer)

# shellcheck source=debian-source.sh
source "$root/tools/debian-source.sh"

# vorbis-tools: oggenc makes the Ogg Vorbis file that the Windows build's
# SDL test plays.
install_packages() {
    bash "$root/tools/install-deps.sh" mingw-w64 gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix \
        cmake make dpkg-dev wine wine64 xvfb x11-utils vorbis-tools
}

# Prints the one directory that apt-get source unpacked for package $1.
source_dir() {
    debian_source_dir "$src" "$1"
}

fetch_sources() {
    local missing=() pkg
    for pkg in "${src_packages[@]}"; do
        [[ -f "$src/.fetched-$pkg" ]] || missing+=("$pkg")
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    for pkg in "${missing[@]}"; do
        # What an interrupted fetch left behind goes first.
        rm -rf "$src/$pkg"-[0-9]* "$src/${pkg}"_*
    done
    fetch_debian_sources "$src" "$deps/fetch.log" "${missing[@]}"
    for pkg in "${missing[@]}"; do
        touch "$src/.fetched-$pkg"
    done
}

build_zlib() {
    local dir build="$deps/build/zlib"
    dir=$(source_dir zlib)
    # Debian's zlib source drops win32/Makefile.gcc, its configure refuses
    # mingw, and its CMake build names the static library libzlibstatic.a
    # beside a DLL import library that FindZLIB would pick first. The library
    # is a handful of C files, so compile them directly into libz.a.
    mkdir -p "$build"
    local sources=(adler32 compress crc32 deflate gzclose gzlib gzread gzwrite
                   infback inffast inflate inftrees trees uncompr zutil)
    printf '%s\n' "${sources[@]}" | xargs -P "$jobs" -I{} \
        $triple-gcc-posix -O2 -Wall -c "$dir/{}.c" -o "$build/{}.o"
    local objects=("${sources[@]/%/.o}")
    rm -f "$build/libz.a"
    (cd "$build" && $triple-ar rcs libz.a "${objects[@]}")
    install -d "$prefix/include" "$prefix/lib"
    install -m 644 "$dir/zlib.h" "$dir/zconf.h" "$prefix/include/"
    install -m 644 "$build/libz.a" "$prefix/lib/"
}

# Configures, builds and installs the CMake project in $1 (a name under
# deps/build) from source dir $2 with extra cache settings after that.
cmake_dep() {
    local name=$1 dir=$2
    shift 2
    local build="$deps/build/$name"
    rm -rf "$build"
    cmake -S "$dir" -B "$build" -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
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
    # Rebuild when the sources, this script or the toolchain file change.
    want="$(ls "$src") $(cksum <"${BASH_SOURCE[0]}") $(cksum <"$toolchain")"
    if [[ -f "$stamp" && "$(cat "$stamp")" == "$want" ]]; then
        return 0
    fi
    local start=$SECONDS
    rm -rf "$prefix" "$deps/build"
    mkdir -p "$prefix" "$deps/build"
    echo "Building zlib"
    build_zlib
    echo "Building libpng"
    cmake_dep libpng "$(source_dir libpng1.6)" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DZLIB_ROOT="$prefix"
    echo "Building googletest"
    cmake_dep googletest "$(source_dir googletest)" \
        -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=OFF
    echo "Building SDL2"
    # Audio (WASAPI, DirectSound, winmm, and the disk and dummy drivers the
    # tests use) and joysticks (XInput, DirectInput, RawInput, HIDAPI and
    # virtual ones) with the game-controller layer. Video stays in: the
    # DirectInput joystick driver uses the hidden helper window that the
    # Windows video driver makes. Everything else that can be left out is,
    # to keep the build short.
    cmake_dep sdl2 "$(source_dir libsdl2)" \
        -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_CCACHE=OFF \
        -DSDL_RENDER=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF \
        -DSDL_LOCALE=OFF -DSDL_MISC=OFF \
        -DSDL_OPENGL=OFF -DSDL_OPENGLES=OFF -DSDL_VULKAN=OFF -DSDL_RENDER_D3D=OFF \
        -DSDL_OFFSCREEN=OFF -DSDL_DUMMYVIDEO=OFF \
        -DSDL_DIRECTX=ON -DSDL_WASAPI=ON -DSDL_XINPUT=ON -DSDL_HIDAPI=ON \
        -DSDL_VIRTUAL_JOYSTICK=ON -DSDL_DISKAUDIO=ON -DSDL_DUMMYAUDIO=ON
    echo "Building SDL2_mixer"
    # WAV and Ogg Vorbis, the latter with the stb_vorbis decoder that the
    # source carries, so no codec library is needed.
    cmake_dep sdl2_mixer "$(source_dir libsdl2-mixer)" \
        -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_SAMPLES=OFF \
        -DSDL2MIXER_WAVE=ON -DSDL2MIXER_VORBIS=STB \
        -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF \
        -DSDL2MIXER_MP3=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF
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
        *) echo "usage: $0 [all|packages|sources]" >&2; return 2 ;;
    esac
}

main "$@"
