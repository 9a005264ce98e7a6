#!/usr/bin/env bash
# Drives the Windows program under Wine in its own Xvfb and its own Wine prefix (its own user
# profile, so its own journal), with real key events, as a user would. The user's name has
# accents, as the names of many users do, and so has the folder of her profile.
# Usage: e2e_windows.sh OUTPUT_DIR WINE_RUN QT_PREFIX WINE_PREFIX PATH_TO_GESTIVA.exe
# (the last four are the build's emulator command followed by the program; WINE_PREFIX is not used)
# Every wait is bounded; the first failed step ends the run with a message.
set -uo pipefail

OUT="$1"
WINE_RUN="$2"
QT_PREFIX="$3"
BIN="$5"
mkdir -p "$OUT"
WORK="$(mktemp -d)"
APP_PID=""
XVFB_PID=""
export WINEPREFIX="$WORK/wine-prefix"

cleanup()
{
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    # Ends what the program started in the prefix too (the editor, Wine's own services).
    [ -d "$WINEPREFIX" ] && timeout 20 /usr/lib/wine/wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

source "$(dirname "$0")/steps.sh"
source "$(dirname "$0")/../../scripts/xvfb.sh"
start_xvfb "$WORK" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
export LC_ALL=C.UTF-8
# Wine names the profile's folder after the user.
export USER=hélène LOGNAME=hélène

# The first start makes the prefix, which takes Wine a while.
GESTIVA_WINE_TIMEOUT=240 "$WINE_RUN" "$QT_PREFIX" "$WINEPREFIX" "$BIN" >"$WORK/app.log" 2>&1 &
APP_PID=$!

wait_for 120 find_window 'Gestiva|Calendrier' || fail "the main window did not appear"
MAIN="$WINDOW"

expect_clock_title 5

# A new journal goes to the user's data folder, in her profile: the Windows directory holds none.
xdotool windowfocus --sync "$MAIN" || fail "cannot focus the main window"
sleep 0.5
xdotool key alt+t
journal_stamped()
{
    JOURNAL="$WINEPREFIX/drive_c/users/$USER/AppData/Roaming/gestiva/gestiva.txt"
    [ -f "$JOURNAL" ] && grep -qxF "[$(date +%d/%m/%Y)]"$'\r' "$JOURNAL" \
        && grep -Eq $'^[0-9]{2}:[0-9]{2}:[0-9]{2}=\r$' "$JOURNAL"
}
wait_for 10 journal_stamped || fail "no journal with today's stamp in the user's data folder"
pass "the journal in the user's data folder got today's stamp: ${JOURNAL#"$WINEPREFIX"/}"
[ ! -e "$WINEPREFIX/drive_c/windows/gestiva.txt" ] || fail "a journal was made in the Windows directory"

# The shell opens the journal with the program for .txt files, Wine's Notepad in a new prefix.
wait_for 30 find_window '^gestiva(\.txt)? - ' || fail "no editor window shows the journal"
pass "the editor shows the journal: '$(xdotool getwindowname "$WINDOW")'"

# Back to the calendar, which Notepad now covers and which has no window manager to bring it
# forward: raised, then a click on its frame's blank top edge. Alt+Q ends it with status 0.
xdotool windowraise "$MAIN"
sleep 0.5
xdotool mousemove --window "$MAIN" 200 3 click 1
xdotool windowfocus --sync "$MAIN" || fail "cannot focus the main window again"
sleep 0.5
shoot_window "$MAIN" "$OUT/e2e-windows-main-window.png" 2>/dev/null \
    && pass "screenshot in $OUT/e2e-windows-main-window.png"
xdotool key alt+q
wait_for 20 sh -c "! kill -0 $APP_PID 2>/dev/null" || fail "Alt+Q did not end the program"
wait "$APP_PID"
STATUS=$?
APP_PID=""
[ "$STATUS" -eq 0 ] || fail "the program ended with status $STATUS"
pass "Alt+Q ended the program with status 0"
echo "$PASSED passed, 0 failed"
