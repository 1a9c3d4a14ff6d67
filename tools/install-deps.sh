#!/bin/bash
# Installs the Debian packages Quorl needs to build, run and test, and only
# those that are missing. Run as root (or with sudo available).
# `install-deps.sh bench` adds what only the benchmarks need: SDL2, their peer.
set -euo pipefail

packages=(
    cmake g++ pkg-config
    qt6-base-dev libpng-dev libglu1-mesa-dev libgl-dev libx11-dev libgl1-mesa-dri
    libgtest-dev
    xvfb xdotool x11-utils imagemagick weston
)
if [[ "${1:-}" == "bench" ]]; then
    packages+=(libsdl2-dev)
fi

missing=()
for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$pkg")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
