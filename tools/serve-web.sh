#!/bin/bash
# Serves a folder (build-web/ by default) over HTTP on 127.0.0.1 only and
# prints its address as the first line, e.g. http://127.0.0.1:8080/. Runs
# until stopped (Ctrl-C or a signal).
#
#   bash tools/serve-web.sh [FOLDER] [PORT]    # PORT 0: any free port
#
# .wasm goes out as application/wasm (browsers compile it while it arrives
# only with that type), and nothing is cached, so a rebuilt page is fetched
# anew on reload.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-$root/build-web}
port=${2:-8080}
if [[ ! -d "$folder" ]]; then
    echo "No folder $folder (build it first: bash tools/build-web.sh)" >&2
    exit 1
fi

exec python3 -u - "$folder" "$port" <<'PYTHON'
import functools
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".data": "application/octet-stream",
    }

    def end_headers(self):
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_request(self, code="-", size="-"):
        # Only failures: a page's many requests would drown the test output.
        if isinstance(code, int) and code >= 400:
            super().log_request(code, size)


folder, port = sys.argv[1], int(sys.argv[2])
server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", port), functools.partial(Handler, directory=folder))
print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    pass
PYTHON
