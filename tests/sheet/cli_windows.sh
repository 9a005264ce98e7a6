#!/usr/bin/env bash
# The sheet from the Windows program's command line under Wine, written where the user names it,
# in a folder whose name has accents: the calendar export read back by the same independent parser
# as on Linux, and the PDF read back as text.
# Usage: cli_windows.sh EMULATOR... PATH_TO_GESTIVA.exe (the build's emulator command, then the program)
set -uo pipefail

HERE="$(cd "$(dirname "$0")" && pwd)"
GESTIVA=("$@")
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export LC_ALL=C.UTF-8

FAILED=0
fail() { echo "FAIL: $*"; FAILED=$((FAILED + 1)); }
pass() { echo "PASS: $*"; }
windows_path() { echo "Z:${1//\//\\}"; }

FOLDER="$WORK/Fiches d'Hélène"
mkdir -p "$FOLDER"
FIXED=(--sheet --dr 01/03/2026 --today 08/12/2026)

"${GESTIVA[@]}" "${FIXED[@]}" --format ics --output "$(windows_path "$FOLDER/grossesse.ics")" >"$WORK/out" 2>&1 \
    || fail "ics: status $?: $(cat "$WORK/out")"
if [ -f "$FOLDER/grossesse.ics" ]; then
    /usr/bin/python3 "$HERE/check_ics.py" "$FOLDER/grossesse.ics" && pass "the calendar export has every event, dated as on Linux" \
        || fail "ics content"
else
    fail "no calendar export in $FOLDER"
fi

"${GESTIVA[@]}" "${FIXED[@]}" --format pdf --output "$(windows_path "$FOLDER/grossesse.pdf")" >"$WORK/out" 2>&1 \
    || fail "pdf: status $?: $(cat "$WORK/out")"
if pdftotext -layout "$FOLDER/grossesse.pdf" "$WORK/pdf.txt" 2>/dev/null; then
    grep -qF "mardi 15 décembre 2026" "$WORK/pdf.txt" && grep -qF "40 SA + 2 j" "$WORK/pdf.txt" \
        && pass "the PDF shows the DPA and the age" || fail "PDF text: $(head -c 400 "$WORK/pdf.txt")"
else
    fail "no readable PDF in $FOLDER"
fi

[ "$FAILED" -eq 0 ] || { echo "$FAILED failed"; exit 1; }
echo "all passed"
