# Sourced by the tools that need an X server: with no DISPLAY, starts Xvfb on
# a free display number, exports DISPLAY and sets xvfb_pid (empty when a
# display was already there). The caller kills xvfb_pid when it ends. The
# screen is 1024x768 unless xvfb_screen says otherwise (e.g. 2048x1200x24).
xvfb_pid=""
if [[ -z "${DISPLAY:-}" ]]; then
    for n in $(seq 90 120); do
        if [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]]; then
            break
        fi
    done
    Xvfb ":$n" -screen 0 "${xvfb_screen:-1024x768x24}" -noreset -nolisten tcp >/tmp/quorl-xvfb.log 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    # Wait until the server answers.
    for _ in $(seq 50); do
        if xdpyinfo >/dev/null 2>&1; then
            break
        fi
        sleep 0.1
    done
fi
