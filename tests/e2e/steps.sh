# Shared by the end-to-end tests (sourced): steps that pass or end the run, and bounded waits.
# The caller sets OUT (where pictures go), WORK (its temporary folder, with app.log) and
# XVFB_PID once its X server runs.

# fail MESSAGE: ends the run, with the program's output, the windows on screen and a picture of it.
fail()
{
    echo "FAIL: $*" >&2
    [ -f "$WORK/app.log" ] && sed 's/^/  app: /' "$WORK/app.log" >&2
    if [ -n "${XVFB_PID:-}" ]; then
        for window in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            echo "  window $window: '$(xdotool getwindowname "$window" 2>/dev/null)'" >&2
        done
        import -window root "$OUT/$(basename "$0" .sh)-failure.png" 2>/dev/null \
            && echo "  screen: $OUT/$(basename "$0" .sh)-failure.png" >&2
    fi
    exit 1
}

PASSED=0
pass()
{
    PASSED=$((PASSED + 1))
    echo "PASS: $*"
}

# wait_for SECONDS COMMAND...: retries the command every 0.1 s until it succeeds.
wait_for()
{
    local limit=$(($1 * 10))
    shift
    for _ in $(seq "$limit"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# find_window PATTERN: sets WINDOW to the first visible window whose name matches.
find_window()
{
    WINDOW=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$WINDOW" ]
}

# expect_clock_title SECONDS: within that time the title of the window MAIN is the live clock.
expect_clock_title()
{
    local clock='^Gestiva1\.1 (lundi|mardi|mercredi|jeudi|vendredi|samedi|dimanche) [0-9]{2}/[0-9]{2}/[0-9]{4} à [0-9]{2}:[0-9]{2}:[0-9]{2}$'
    title_is_clock() { xdotool getwindowname "$MAIN" | grep -Eq "$clock"; }
    wait_for "$1" title_is_clock || fail "title is not the clock after $1 s: '$(xdotool getwindowname "$MAIN")'"
    pass "the title shows the clock: $(xdotool getwindowname "$MAIN")"
}
