# Cross-compiles for 64-bit Windows with Debian's mingw-w64 toolchain.
#
#   cmake -S . -B build-win32 \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake \
#         -DCMAKE_PREFIX_PATH=$PWD/build-win32/deps/prefix
#
# tools/win32-deps.sh builds the static zlib, libpng, GoogleTest, SDL2 and
# SDL2_mixer that the prefix above holds.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORL_MINGW_TRIPLE x86_64-w64-mingw32)

# The -posix flavour: its libstdc++ has std::thread and std::mutex, which the
# -win32 flavour of GCC 12 lacks.
set(CMAKE_C_COMPILER ${QUORL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORL_MINGW_TRIPLE}-windres)
# Named here because CMake would otherwise guess the host binutils from PATH.
set(CMAKE_AR ${QUORL_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUORL_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Libraries, headers and packages come only from the mingw sysroot and from
# the prefixes on CMAKE_PREFIX_PATH; programs (code generators, wine) come
# from the build machine. The prefixes are added as roots too, because in
# ONLY mode CMake would otherwise re-root them under the sysroot, where they
# do not exist.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QUORL_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Lets try_run, gtest_discover_tests and add_test run the .exe files. The
# loader itself rather than /usr/bin/wine: that wrapper nags about the
# missing 32-bit wine on every start unless WINEDEBUG silences it.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(QUORL_WINE NAMES wine64 wine PATHS /usr/lib/wine)
  if(QUORL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORL_WINE})
  endif()
endif()
