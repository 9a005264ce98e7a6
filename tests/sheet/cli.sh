#!/usr/bin/env bash
# The sheet from the command line, without a display: golden text, the calendar export read back
# by an independent parser, the PDF read back as text, and every bad input refused.
# Usage: cli.sh PATH_TO_GESTIVA
set -uo pipefail

BIN="$1"
HERE="$(cd "$(dirname "$0")" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

export LC_ALL=C.UTF-8 HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/runtime" DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

FAILED=0
fail() { echo "FAIL: $*"; FAILED=$((FAILED + 1)); }
pass() { echo "PASS: $*"; }

FIXED=(--sheet --dr 01/03/2026 --today 08/12/2026)

# Golden text: standard output by default, and the same bytes through --output.
"$BIN" "${FIXED[@]}" >"$WORK/sheet.txt" 2>"$WORK/err" || fail "text: status $?: $(cat "$WORK/err")"
if cmp -s "$HERE/golden-dr-01-03-2026.txt" "$WORK/sheet.txt"; then
    pass "text matches the golden sheet"
else
    fail "text differs from the golden sheet:"
    diff "$HERE/golden-dr-01-03-2026.txt" "$WORK/sheet.txt" | head -20
fi
"$BIN" "${FIXED[@]}" --format text --output "$WORK/out.txt" && cmp -s "$WORK/sheet.txt" "$WORK/out.txt" \
    && pass "--output writes the same text" || fail "--output text differs"

# Twins: the leave follows the situation.
"$BIN" "${FIXED[@]}" --fetuses 2 >"$WORK/twins.txt"
grep -qF -- "- Congé de maternité : du 22/09/2026 au 17/05/2027 ; reprise du travail le 18/05/2027" "$WORK/twins.txt" \
    && pass "twins: 12 + 22 weeks" || fail "twins leave dates"
# DG entered directly: DR is deduced and the sheet says so.
"$BIN" --sheet --dg 15/03/2026 --today 08/12/2026 >"$WORK/dg.txt"
grep -qF "DG a été saisi directement" "$WORK/dg.txt" \
    && pass "--dg says DG was entered directly" || fail "--dg origin line"

# Calendar export, read back by python3-icalendar; a second export is byte for byte the same.
"$BIN" "${FIXED[@]}" --format ics --output "$WORK/sheet.ics" || fail "ics: status $?"
/usr/bin/python3 "$HERE/check_ics.py" "$WORK/sheet.ics" || fail "ics content"
"$BIN" "${FIXED[@]}" --format ics --output "$WORK/again.ics"
cmp -s "$WORK/sheet.ics" "$WORK/again.ics" && pass "two exports carry the same identifiers" || fail "exports differ"

# PDF, read back with pdftotext: the DPA and today's age are on it.
"$BIN" "${FIXED[@]}" --format pdf --output "$WORK/sheet.pdf" 2>"$WORK/err" || fail "pdf: status $?: $(cat "$WORK/err")"
pdftotext -layout "$WORK/sheet.pdf" "$WORK/pdf.txt" || fail "pdftotext cannot read the PDF"
grep -qF "mardi 15 décembre 2026" "$WORK/pdf.txt" && grep -qF "40 SA + 2 j" "$WORK/pdf.txt" \
    && pass "the PDF shows the DPA and the age" || fail "PDF text: $(head -c 400 "$WORK/pdf.txt")"

# The timeline fits the page: 14 cm of A4 are left once the print margins (2 cm) are added to the
# sheet's own (15 mm); the twins' picture, the longest, used to run past the page's edge.
"$BIN" "${FIXED[@]}" --fetuses 2 --format pdf --output "$WORK/twins.pdf" 2>/dev/null
pdfimages -list "$WORK/twins.pdf" | awk 'NR > 2 { found = 1; mm = $4 / $13 * 25.4; if (mm > 140) bad = 1;
    print "picture " $4 " px at " $13 " ppi: " int(mm) " mm" } END { exit !(found && !bad) }' >"$WORK/fit" \
    && pass "the twins' timeline fits the page ($(cat "$WORK/fit"))" || fail "timeline on paper: $(cat "$WORK/fit")"

# HTML stands on its own: the timeline travels inside it.
"$BIN" "${FIXED[@]}" --format html --output "$WORK/sheet.html" || fail "html: status $?"
grep -q '<img src="data:image/png;base64,' "$WORK/sheet.html" && grep -qF "40 SA + 2 j" "$WORK/sheet.html" \
    && pass "HTML carries its picture and the age" || fail "HTML content"

# Every bad input: status 2, one line on standard error, no file.
refused()
{
    local what="$1"
    shift
    rm -f "$WORK/bad.out"
    "$BIN" "$@" >"$WORK/bad.stdout" 2>"$WORK/bad.err"
    local status=$?
    local lines
    lines=$(wc -l <"$WORK/bad.err")
    if [ "$status" -ne 2 ]; then
        fail "$what: status $status, expected 2"
    elif [ "$lines" -ne 1 ]; then
        fail "$what: $lines lines on standard error: $(cat "$WORK/bad.err")"
    elif [ -e "$WORK/bad.out" ] || [ -s "$WORK/bad.stdout" ]; then
        fail "$what: something was written"
    else
        pass "$what refused: $(cat "$WORK/bad.err")"
    fi
}
OUT=(--output "$WORK/bad.out")
refused "no date" --sheet "${OUT[@]}"
refused "both dates" --sheet --dr 01/03/2026 --dg 15/03/2026 "${OUT[@]}"
refused "31 February" --sheet --dr 31/02/2026 "${OUT[@]}"
refused "letters for a date" --sheet --dg demain "${OUT[@]}"
refused "bad today" --sheet --dr 01/03/2026 --today 32/12/2026 "${OUT[@]}"
refused "negative children" --sheet --dr 01/03/2026 --children -1 "${OUT[@]}"
refused "too many children" --sheet --dr 01/03/2026 --children 31 "${OUT[@]}"
refused "children not a number" --sheet --dr 01/03/2026 --children deux "${OUT[@]}"
refused "no fetus" --sheet --dr 01/03/2026 --fetuses 0 "${OUT[@]}"
refused "ten fetuses" --sheet --dr 01/03/2026 --fetuses 10 "${OUT[@]}"
refused "unknown format" --sheet --dr 01/03/2026 --format docx "${OUT[@]}"
refused "PDF to standard output" --sheet --dr 01/03/2026 --format pdf
refused "year out of range" --sheet --dr 01/06/2199 "${OUT[@]}"
refused "--dr without --sheet" --dr 01/03/2026 "${OUT[@]}"
refused "missing directory" --sheet --dr 01/03/2026 --output "$WORK/no/such/dir/sheet.txt"
[ ! -e "$WORK/no" ] || fail "a directory was created"
refused "a directory as output" --sheet --dr 01/03/2026 --format pdf --output "$WORK"

if [ "$FAILED" -ne 0 ]; then
    echo "$FAILED failed"
    exit 1
fi
echo "all passed"
