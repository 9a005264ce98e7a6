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

# Every way to the conception date, and the sheet's provenance line for each (worked by hand:
# Robinson 60 mm = 86.10 days, 12 SA + 2 j; 58 mm = 85.05 days).
dated()
{
    local what="$1" expected="$2"
    shift 2
    if "$BIN" --sheet --today 08/12/2025 "$@" >"$WORK/dated.txt" 2>"$WORK/err" \
        && grep -qF -- "$expected" "$WORK/dated.txt"; then
        pass "$what"
    else
        fail "$what: $(cat "$WORK/err") $(grep -F "Début de grossesse (DG)" "$WORK/dated.txt")"
    fi
}
dated "scan with the DR, always redated" \
    "- Début de grossesse (DG) : 07/01/2025, fixé par l'échographie du 20/03/2025 (LCC 60 mm, 12 SA + 2 j, Robinson 1975) ; les DR du 01/01/2025 donnaient le 15/01/2025 (écart + 8 j)" \
    --scan 20/03/2025 --crl 60 --dr 01/01/2025
dated "gap 8 over 7: the scan" "DG) : 07/01/2025, fixé par l'échographie" --scan 20/03/2025 --crl 60 --dr 01/01/2025 --redate 7
dated "gap 7 at 7: the DR" \
    "DG) : 15/01/2025, fixé par les dernières règles du 01/01/2025 (DG = DR + 14 jours) ; l'échographie du 20/03/2025 (LCC 58 mm, 12 SA + 1 j, Robinson 1975) donnait le 08/01/2025 (écart + 7 j, qui ne dépasse pas 7 jours)" \
    --scan 20/03/2025 --crl 58 --dr 01/01/2025 --redate 7
dated "scan alone, INTERGROWTH" "DG) : 25/12/2024, fixé par l'échographie du 20/03/2025 (LCC 84 mm, 14 SA + 1 j, INTERGROWTH-21st 2014)" \
    --scan 20/03/2025 --crl 84,0 --crl-formula intergrowth
dated "J5 transfer" "DG) : 05/04/2025, fixé par le transfert du 10/04/2025 d'un embryon de 5 jours" \
    --transfer 10/04/2025 --embryo-age 5
dated "J5 transfer, its DPA" "(DPA) : lundi 05 janvier 2026" --transfer 10/04/2025 --embryo-age 5
dated "insemination" "DG) : 31/05/2025, fixé par la ponction ou l'insémination du 31/05/2025" --insemination 31/05/2025
dated "retrieval" "DG) : 31/05/2025, fixé par la ponction" --retrieval 31/05/2025
dated "35-day cycle" "DG) : 22/03/2026, fixé par les dernières règles du 01/03/2026 et un cycle de 35 jours (DG = DR + 21 jours)" \
    --dr 01/03/2026 --cycle 35

# The summary for the patient record.
"$BIN" "${FIXED[@]}" --format summary --rh-negative >"$WORK/summary.txt"
[ "$(cat "$WORK/summary.txt")" = "DDR 01/03/2026 — DG 15/03/2026 (datation : DDR) — DPA 15/12/2026 — le 08/12/2026 : 40 SA + 2 j — grossesse unique — Rh négatif" ] \
    && pass "summary" || fail "summary: $(cat "$WORK/summary.txt")"

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
# The dating options, each with its partner and its range.
refused "scan without a length" --sheet --scan 20/03/2025 "${OUT[@]}"
refused "length without a scan" --sheet --dr 01/01/2025 --crl 60 "${OUT[@]}"
refused "transfer without the embryo's age" --sheet --transfer 10/04/2025 "${OUT[@]}"
refused "embryo's age without a transfer" --sheet --dg 10/04/2025 --embryo-age 5 "${OUT[@]}"
refused "Robinson beyond 84 mm" --sheet --scan 20/03/2025 --crl 84,1 "${OUT[@]}"
refused "INTERGROWTH below 15 mm" --sheet --scan 20/03/2025 --crl 14 --crl-formula intergrowth "${OUT[@]}"
refused "a length with a unit" --sheet --scan 20/03/2025 --crl "60 mm" "${OUT[@]}"
refused "cycle of 20 days" --sheet --dr 01/03/2026 --cycle 20 "${OUT[@]}"
refused "cycle of 46 days" --sheet --dr 01/03/2026 --cycle 46 "${OUT[@]}"
refused "cycle without a DR" --sheet --dg 01/03/2026 --cycle 30 "${OUT[@]}"
refused "embryo of 7 days" --sheet --transfer 10/04/2025 --embryo-age 7 "${OUT[@]}"
refused "embryo of 1 day" --sheet --transfer 10/04/2025 --embryo-age 1 "${OUT[@]}"
refused "unknown formula" --sheet --scan 20/03/2025 --crl 60 --crl-formula hadlock "${OUT[@]}"
refused "unknown policy" --sheet --scan 20/03/2025 --crl 60 --dr 01/01/2025 --redate 6 "${OUT[@]}"
refused "policy without the DR" --sheet --scan 20/03/2025 --crl 60 --redate 7 "${OUT[@]}"
refused "scan at 17 SA by the DR" --sheet --scan 30/04/2025 --crl 60 --dr 01/01/2025 "${OUT[@]}"
refused "two ways: DG and a transfer" --sheet --dg 01/03/2026 --transfer 10/04/2025 --embryo-age 5 "${OUT[@]}"
refused "two ways: retrieval and insemination" --sheet --retrieval 01/03/2026 --insemination 01/03/2026 "${OUT[@]}"
# The birth: a date, after DG, by 45 SA (DR 01/03/2026: 45 SA on 10/01/2027).
refused "birth not a date" --sheet --dr 01/03/2026 --birth hier "${OUT[@]}"
refused "birth before DG" --sheet --dr 01/03/2026 --birth 14/03/2026 "${OUT[@]}"
refused "birth after 45 SA" --sheet --dr 01/03/2026 --birth 11/01/2027 "${OUT[@]}"
"$BIN" "${FIXED[@]}" --birth 10/01/2027 --output "$WORK/born.txt" && grep -qF "Accouchement le" "$WORK/born.txt" \
    && pass "birth at 45 SA + 0 j" || fail "birth at 45 SA"
# A command line that cannot be read: parser errors, a value that is an option, a stray word, a
# line break inside an argument (shown escaped, on one line), a file name that is no text.
refused "unknown option" --bogus
refused "a missing value" --sheet --dr
refused "an option for a value" --sheet --dg --format html "${OUT[@]}"
refused "a stray word" --sheet --dr 01/03/2026 encore "${OUT[@]}"
refused "a line break in a date" --sheet --dr "$(printf '01/03\n2026')" "${OUT[@]}"
grep -qF '« 01/03\n2026 »' "$WORK/bad.err" && pass "the line break shown escaped" || fail "escape: $(cat "$WORK/bad.err")"
BADNAME="$(printf "$WORK/fiche-\xe9.txt")"
refused "a file name that is not UTF-8" --sheet --dr 01/03/2026 --output "$BADNAME"
[ -z "$(ls "$WORK" | grep '^fiche-')" ] && pass "no file of another name" || fail "a file was written: $(ls "$WORK")"

if [ "$FAILED" -ne 0 ]; then
    echo "$FAILED failed"
    exit 1
fi
echo "all passed"
