# Shared by scripts/screenshot and the end-to-end test (sourced): an X server of one's own,
# and pictures of one window on it.

# start_xvfb WORKDIR: starts Xvfb at 96 dpi on a display number it picks itself, sets XVFB_PID
# and DISPLAY, and fails when the server does not answer within 10 s. Without -noreset the
# server resets when its last client leaves, and a client connecting then is refused.
start_xvfb()
{
    local work="$1"
    Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -dpi 96 -nolisten tcp \
        3>"$work/display" >"$work/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || return 1
    export DISPLAY=":$(head -1 "$work/display")"
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

# shoot_window WINDOW FILE: a PNG of the part of the screen the window covers.
shoot_window()
{
    local geometry
    geometry=$(xdotool getwindowgeometry --shell "$1" |
        awk -F= '/WIDTH/{w=$2}/HEIGHT/{h=$2}/^X/{x=$2}/^Y/{y=$2}END{print w"x"h"+"x"+"y}')
    import -window root -crop "$geometry" +repage "$2"
}
