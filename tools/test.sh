#!/bin/bash
# Installs what is missing, builds, and runs every test, then the Windows
# build's tests under Wine (tools/test-win32.sh) and the browser build's in
# headless Chromium (tools/test-web.sh). Starts its own X server when there
# is no display. QUORL_SANITIZE=1 runs the suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer, QUORL_SANITIZE=thread with
# ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/install-deps.sh"
bash "$root/tools/build.sh"

build_dir="$root/build"
case "${QUORL_SANITIZE:-0}" in
    0 | "") ;;
    thread)
        build_dir="$root/build-tsan"
        # A race ends the process at once: the program ends with _Exit, which
        # would skip a report's effect on the exit code.
        export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
        ;;
    *)
        build_dir="$root/build-asan"
        export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
        export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
        export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
        ;;
esac

# Mesa's disk shader cache runs a thread that exits while the process ends;
# when that happens while LeakSanitizer has stopped the other threads to scan
# them, its tracer crashes ("Tracer caught signal 11") and a test that passed
# fails, depending on memory layout. The tests build no shader worth keeping
# between runs, so the cache is off for all of them; leak checking is as
# thorough as before.
export MESA_SHADER_CACHE_DISABLE=true

xvfb_pid=""
config_home=""
cleanup() {
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    if [[ -n "$config_home" ]]; then
        rm -rf "$config_home"
    fi
}
trap cleanup EXIT
# shellcheck source=xvfb.sh
source "$root/tools/xvfb.sh"

# Keep test runs away from the user's own settings.
if [[ -n "${XDG_CONFIG_HOME_FOR_TESTS:-}" ]]; then
    export XDG_CONFIG_HOME="$XDG_CONFIG_HOME_FOR_TESTS"
else
    config_home=$(mktemp -d /tmp/quorl-test-config-XXXXXX)
    export XDG_CONFIG_HOME="$config_home"
fi

cd "$build_dir"
ctest --output-on-failure --timeout 300 "$@"

# Then the Windows build under Wine and the browser build in Chromium, once:
# the sanitizers are the Linux build's. QUORL_WIN32=0 and QUORL_WEB=0 leave
# them out.
if [[ "${QUORL_SANITIZE:-0}" == 0 && "${QUORL_WIN32:-1}" != 0 ]]; then
    bash "$root/tools/test-win32.sh"
fi
if [[ "${QUORL_SANITIZE:-0}" == 0 && "${QUORL_WEB:-1}" != 0 ]]; then
    bash "$root/tools/test-web.sh"
fi
