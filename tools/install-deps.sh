#!/bin/bash
# Installs the Debian packages Quorl needs to build, run and test, or the
# packages named as arguments, and only those that are missing. Run as root
# (or with sudo available).
set -euo pipefail

packages=("$@")
((${#packages[@]} > 0)) || packages=(
    cmake g++ pkg-config
    qt6-base-dev libpng-dev libglu1-mesa-dev libgl-dev libx11-dev libgl1-mesa-dri
    libsdl2-dev libsdl2-mixer-dev libvorbis-dev
    libgtest-dev
    xvfb xdotool x11-utils imagemagick weston
)

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
# Another apt-get (unattended upgrades, a second build) may hold the lock.
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    --no-install-recommends "${missing[@]}" </dev/null
