#!/bin/bash
# Serves build-web/ on 127.0.0.1 at a free port (tools/serve-web.sh) while a
# command runs, with the address in QUORL_WEB_URL; stops the server after.
#
#   bash tools/with-web-server.sh node --test tests/web/game.test.mjs
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

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
QUORL_WEB_URL="$url" "$@"
