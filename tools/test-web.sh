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
bash "$root/tools/with-web-server.sh" node --test "$@" "$root"/tests/web/*.test.mjs
