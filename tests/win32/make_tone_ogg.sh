#!/bin/bash
# Writes the Ogg Vorbis tone that sdl_probe plays: a quarter of a second of a
# 441 Hz square wave, 16-bit mono at 22050 Hz with a peak of 8192, encoded
# with oggenc (vorbis-tools).
# Usage: make_tone_ogg.sh <output.ogg>
set -euo pipefail
out=$1
# One period is 50 samples: 25 at +8192, then 25 at -8192 (little-endian).
high=$(printf '\\x00\\x20%.0s' {1..25})
low=$(printf '\\x00\\xe0%.0s' {1..25})
for ((period = 0; period < 22050 / 4 / 50; period++)); do
    # shellcheck disable=SC2059 # the escapes are the samples
    printf "$high$low"
done | oggenc --quiet --raw --raw-bits=16 --raw-chan=1 --raw-rate=22050 \
    --raw-endianness=0 -o "$out" -
