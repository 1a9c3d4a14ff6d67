#!/bin/bash
# Configures and builds Quorl into build/, or with sanitizers: build-asan/ with
# QUORL_SANITIZE=1 (address and undefined behaviour), build-tsan/ with
# QUORL_SANITIZE=thread.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

build_dir="$root/build"
options=()
case "${QUORL_SANITIZE:-0}" in
    0 | "") ;;
    thread)
        build_dir="$root/build-tsan"
        options+=(-DQUORL_SANITIZE=thread)
        ;;
    *)
        build_dir="$root/build-asan"
        options+=(-DQUORL_SANITIZE=address)
        ;;
esac

cmake -S "$root" -B "$build_dir" "${options[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" "$@"
