#!/usr/bin/env bash
# Drives the real program in its own Xvfb with real key and mouse events, as a user would.
# Usage: e2e.sh PATH_TO_GESTIVA OUTPUT_DIR
# Every wait is bounded; the first failed step ends the run with a message.
set -uo pipefail
# Window titles are matched as UTF-8 ("Début de Grossesse"), whatever the caller's locale.
export LC_ALL=C.UTF-8
unset LANGUAGE

BIN="$1"
OUT="$2"
mkdir -p "$OUT"
WORK="$(mktemp -d)"
APP_PID=""
XVFB_PID=""

cleanup()
{
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

source "$(dirname "$0")/steps.sh"
source "$(dirname "$0")/../../scripts/xvfb.sh"
start_xvfb "$WORK" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"

# A home, a journal directory and a default text editor of our own.
export HOME="$WORK/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_DATA_DIRS="$XDG_DATA_HOME:/usr/share"
export XDG_RUNTIME_DIR="$WORK/runtime"
export windir="$WORK/windows dir"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$XDG_RUNTIME_DIR" "$windir" "$WORK/bin"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$WORK/bin/fake-editor" <<SCRIPT
#!/bin/sh
for argument in "\$@"; do printf '%s\n' "\$argument"; done >"$WORK/editor-args"
SCRIPT
chmod +x "$WORK/bin/fake-editor"
cat >"$XDG_DATA_HOME/applications/fake-editor.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=Fake editor
Exec=$WORK/bin/fake-editor %f
MimeType=text/plain;
ENTRY
printf '[Default Applications]\ntext/plain=fake-editor.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

"$BIN" >"$WORK/app.log" 2>&1 &
APP_PID=$!

wait_for 10 find_window 'Gestiva|Calendrier' || fail "the main window did not appear"
MAIN="$WINDOW"

expect_clock_title 2

xdotool windowfocus --sync "$MAIN" || fail "cannot focus the main window"

# A last-period date typed into dateDR (16, 32 px from the window's corner, 80 x 24), then Enter.
xdotool mousemove --window "$MAIN" 50 44 click 1
xdotool key --clearmodifiers ctrl+a BackSpace
xdotool type --delay 40 '01/03/2026'
xdotool key Return
sleep 0.3

# Alt+T: the journal gets today's stamp and the editor is given the journal.
JOURNAL="$windir/gestiva.txt"
TODAY_SECTION="[$(date +%d/%m/%Y)]"
xdotool key alt+t
journal_stamped() { grep -qxF "$TODAY_SECTION" "$JOURNAL" && grep -Eq '^[0-9]{2}:[0-9]{2}:[0-9]{2}=$' "$JOURNAL"; }
wait_for 5 journal_stamped || fail "the journal $JOURNAL holds no stamp for today"
pass "the journal got today's stamp"
editor_given_journal() { grep -qF "$JOURNAL" "$WORK/editor-args"; }
wait_for 5 editor_given_journal || fail "the editor was not given the journal (args: $(cat "$WORK/editor-args" 2>/dev/null))"
pass "the editor was given the journal: $(tr '\n' ' ' <"$WORK/editor-args")"

# A double click on dateDG (160, 32 px, 80 x 25) opens the date picker; Esc closes it.
xdotool windowfocus --sync "$MAIN"
xdotool mousemove --window "$MAIN" 190 44 click --repeat 2 --delay 60 1
wait_for 5 find_window 'Début de Grossesse' || fail "the date picker did not open"
PICKER="$WINDOW"
pass "the date picker opened"
xdotool windowfocus --sync "$PICKER"
# Any letter spells the selected date out in the title: DG is DR 01/03/2026 plus two weeks.
xdotool type x
wait_for 5 find_window '^dimanche 15 mars 2026$' || fail "the picker does not show 15/03/2026: '$(xdotool getwindowname "$PICKER")'"
pass "the picker opened on the conception date derived from the typed last period"
xdotool key Escape
picker_closed() { ! xwininfo -id "$PICKER" 2>/dev/null | grep -q IsViewable; }
wait_for 5 picker_closed || fail "Esc did not close the date picker"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended with the date picker"
pass "Esc closed the date picker and the program runs on"

# Ctrl+P opens the pregnancy sheet; Esc closes it.
xdotool windowfocus --sync "$MAIN"
xdotool key ctrl+p
wait_for 5 find_window '^Fiche de grossesse$' || fail "Ctrl+P did not open the pregnancy sheet"
SHEET="$WINDOW"
pass "Ctrl+P opened the pregnancy sheet"
xdotool windowfocus --sync "$SHEET"
xdotool key Escape
sheet_closed() { ! xwininfo -id "$SHEET" 2>/dev/null | grep -q IsViewable; }
wait_for 5 sheet_closed || fail "Esc did not close the pregnancy sheet"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended with the pregnancy sheet"
pass "Esc closed the pregnancy sheet and the program runs on"

shoot_window "$MAIN" "$OUT/e2e-main-window.png" 2>/dev/null \
    && pass "screenshot in $OUT/e2e-main-window.png"

# Alt+Q ends the program with status 0.
xdotool windowfocus --sync "$MAIN"
xdotool key alt+q
wait_for 5 sh -c "! kill -0 $APP_PID 2>/dev/null" || fail "Alt+Q did not end the program"
wait "$APP_PID"
STATUS=$?
APP_PID=""
[ "$STATUS" -eq 0 ] || fail "the program ended with status $STATUS"
pass "Alt+Q ended the program with status 0"
echo "$PASSED passed, 0 failed"
