#!/bin/bash
# Installs what is missing, builds, and starts the game with assets/ as the
# working directory (the pictures and the shader are read from there).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh" --target quorl
cd "$root/assets"
exec "$root/build/quorl"
