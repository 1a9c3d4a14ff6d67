#!/bin/bash
# The browser build's tests: builds build-web/ with the test pages
# (tools/build-web.sh with QUORL_WEB_TESTS=1), serves it on 127.0.0.1 and runs
# tests/web/*.test.mjs (node's test runner) against it in headless Chromium.
# Installs Chromium, Node.js and puppeteer-core when missing. Arguments go to
# node --test (e.g. --test-name-pattern=Pause).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/web-deps.sh" test-tools
QUORL_WEB_TESTS=1 bash "$root/tools/build-web.sh"

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
