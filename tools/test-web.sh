#!/bin/bash
# Builds the browser probe (tests/web/, with emcmake against the libraries of
# tools/build-web.sh) into build-web/probe/, serves build-web/ on 127.0.0.1
# and runs the browser tests (tests/web/*.test.mjs, node's test runner) in
# headless Chromium. Installs Chromium, Node.js, SoX and puppeteer-core when
# missing. Arguments go to node --test (e.g. --test-name-pattern=key).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix="$root/build-web/deps/prefix"

bash "$root/tools/build-web.sh"
bash "$root/tools/web-deps.sh" test-tools

# shellcheck source=web-env.sh
source "$root/tools/web-env.sh"
probe="$root/build-web/probe"
if [[ ! -f "$probe/CMakeCache.txt" ]]; then
    web_configure -S "$root/tests/web" -B "$probe" \
        -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_PREFIX_PATH="$prefix" >"$probe.log" 2>&1 ||
        { cat "$probe.log" >&2; exit 1; }
fi
cmake --build "$probe" -j2 >>"$probe.log" 2>&1 || { tail -50 "$probe.log" >&2; exit 1; }

# The server picks a free port and prints its address first.
server_out=$(mktemp /tmp/quorl-serve-XXXXXX)
bash "$root/tools/serve-web.sh" "$root/build-web" 0 >"$server_out" 2>&1 &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true; rm -f "$server_out"' EXIT
for _ in $(seq 100); do
    if [[ -s "$server_out" ]] || ! kill -0 "$server_pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
url=$(head -1 "$server_out")
if [[ "$url" != http://127.0.0.1:* ]]; then
    echo "The web server did not start: $(cat "$server_out")" >&2
    exit 1
fi

QUORL_WEB_URL="$url" node --test "$@" "$root"/tests/web/*.test.mjs
