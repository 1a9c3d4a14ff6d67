# shellcheck shell=bash
# Sourced by the scripts that run the Windows build's .exe files under Wine:
#
#   source tools/wine.sh   # also sources tools/xvfb.sh: DISPLAY is set after
#   wine_setup             # once per run: a private, initialised WINEPREFIX
#   wine_run prog.exe args # as often as needed; its exit code is the .exe's
#   wine_cleanup           # stops Wine and deletes the prefix
#
# The caller kills xvfb_pid when it ends, as with tools/xvfb.sh alone. Works
# as root and with no standard input. bash tools/win32-deps.sh packages
# installs Wine and Xvfb.

# Wine draws windows and creates GL contexts through X even for a test run.
# shellcheck source=tools/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

# The 64-bit loader itself: /usr/bin/wine is a wrapper that prefers the
# 32-bit wine, which Debian's wine64 lacks, and says so on every start.
if [[ -x /usr/lib/wine/wine64 ]]; then
    wine_bin=/usr/lib/wine/wine64
else
    wine_bin=$(command -v wine64 || command -v wine)
fi
# Child processes that Wine starts use the same loader.
export WINELOADER="$wine_bin"
# /usr/bin/wineserver is an alternatives link; fall back to the real one.
wine_server=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
# Without this Wine logs every unimplemented call ("fixme:") to stderr.
export WINEDEBUG=-all
# An empty override disables the .NET (mscoree) and HTML (mshtml) engines, so
# wineboot does not offer to download Wine Mono and Gecko in a dialog.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
wine_dir=""

wine_setup() {
    # A private prefix per run: tests see a clean registry and C: drive, and
    # runs in parallel (or a developer's own ~/.wine) do not interfere.
    wine_dir=$(mktemp -d /tmp/quorl-wine.XXXXXX)
    export WINEPREFIX="$wine_dir/prefix"
    # Creating the prefix takes tens of seconds; do it once up front so the
    # first test does not time out on it.
    timeout 300 "$wine_bin" wineboot.exe --init </dev/null >"$wine_dir/wineboot.log" 2>&1 || {
        cat "$wine_dir/wineboot.log" >&2
        return 1
    }
    # wineboot returns before its background work (registry, services) ends.
    timeout 300 "$wine_server" -w
    # Keep one wineserver up for the whole run rather than one per .exe.
    "$wine_server" -p
    # The first program of a prefix starts Wine's services, which stay and
    # would hold its output pipe open: a caller reading it (ctest, a shell
    # pipeline) would wait for them. They start here instead, talking to
    # nobody.
    "$wine_bin" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

wine_run() {
    "$wine_bin" "$@" </dev/null
}

wine_cleanup() {
    if [[ -n "$wine_dir" ]]; then
        # Ends the wineserver and any .exe still running in this prefix.
        "$wine_server" -k 2>/dev/null || true
        rm -rf "$wine_dir"
        wine_dir=""
    fi
}
