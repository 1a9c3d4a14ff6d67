#!/bin/bash
# Configures and builds Quorl into build/ (or build-asan/ with QUORL_SANITIZE=1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

build_dir="$root/build"
options=()
if [[ "${QUORL_SANITIZE:-0}" == 1 ]]; then
    build_dir="$root/build-asan"
    options+=(-DQUORL_SANITIZE=ON)
fi

cmake -S "$root" -B "$build_dir" "${options[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" "$@"
