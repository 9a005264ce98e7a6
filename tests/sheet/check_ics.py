#!/usr/bin/python3
"""Reads a calendar export back with python3-icalendar and checks every event's dates.

Usage: check_ics.py FILE  (the export of DR 01/03/2026, one fetus, no child in care)
Every date below was counted by hand from DR 01/03/2026, DG 15/03/2026, DPA 15/12/2026.
"""
import sys
from datetime import date

import icalendar

EXPECTED = {
    "examen-prenatal-1": (date(2026, 3, 15), date(2026, 6, 15)),
    "examen-prenatal-2": (date(2026, 6, 15), date(2026, 7, 15)),
    "examen-prenatal-3": (date(2026, 7, 15), date(2026, 8, 15)),
    "examen-prenatal-4": (date(2026, 8, 15), date(2026, 9, 15)),
    "examen-prenatal-5": (date(2026, 9, 15), date(2026, 10, 15)),
    "examen-prenatal-6": (date(2026, 10, 15), date(2026, 11, 15)),
    "examen-prenatal-7": (date(2026, 11, 15), date(2026, 12, 15)),
    "echographie-1": (date(2026, 5, 17), date(2026, 6, 7)),  # 11+0 to 13+6 SA
    "echographie-2": (date(2026, 7, 19), date(2026, 8, 23)),  # 20+0 to 24+6 SA
    "echographie-3": (date(2026, 9, 27), date(2026, 11, 1)),  # 30+0 to 34+6 SA
    "hgpo": (date(2026, 8, 16), date(2026, 9, 20)),  # 24+0 to 28+6 SA
    "dpa": (date(2026, 12, 15), date(2026, 12, 16)),
    "terme-depasse": (date(2026, 12, 20), date(2026, 12, 21)),  # DR + 294 days
    "conge-pathologique": (date(2026, 10, 20), date(2026, 11, 3)),
    "conge-maternite": (date(2026, 11, 3), date(2027, 2, 23)),  # work resumes 23/02/2027
    "coqueluche": (date(2026, 7, 19), date(2026, 11, 15)),  # 20+0 to 36+6 SA
    "vrs": (date(2026, 10, 11), date(2026, 11, 15)),  # 32+0 to 36+6 SA
    "streptocoque-b": (date(2026, 10, 25), date(2026, 11, 29)),  # 34+0 to 38+6 SA
    "consultation-preanesthesique": (date(2026, 9, 15), date(2026, 12, 15)),  # DG + 6 months to the DPA
    "prise-en-charge-100": (date(2026, 8, 15), date(2026, 12, 28)),  # DG + 5 months to DPA + 12 days
    # After the birth, counted from the DPA since no birth date is given.
    "examen-postnatal": (date(2026, 12, 15), date(2027, 2, 9)),  # 8 weeks
    "entretien-postnatal": (date(2027, 1, 5), date(2027, 2, 9)),  # 4th to 8th week
    "entretien-postnatal-2": (date(2027, 2, 16), date(2027, 3, 23)),  # 10th to 14th week
    "conge-naissance": (date(2026, 12, 15), date(2026, 12, 18)),  # 3 days
    "conge-paternite-4-jours": (date(2026, 12, 18), date(2026, 12, 22)),
    "conge-paternite": (date(2026, 12, 22), date(2027, 6, 15)),  # up to 6 months after the birth
}


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def main(path):
    raw = open(path, "rb").read()
    if b"\r\n" not in raw or b"\n" in raw.replace(b"\r\n", b""):
        fail("lines must end with CRLF")
    calendar = icalendar.Calendar.from_ical(raw)
    if str(calendar.get("VERSION")) != "2.0" or not calendar.get("PRODID"):
        fail("VERSION 2.0 and PRODID are required")
    seen = {}
    for event in calendar.walk("VEVENT"):
        uid = str(event["UID"])
        key = uid.split("-15032026")[0]
        if uid in seen.values():
            fail("UID used twice: " + uid)
        seen[key] = uid
        for name in ("DTSTART", "DTEND"):
            if event[name].params.get("VALUE") != "DATE":
                fail(f"{key}: {name} is not VALUE=DATE")
        if not event.get("DTSTAMP") or not event.get("SUMMARY"):
            fail(f"{key}: DTSTAMP and SUMMARY are required")
        description = str(event.get("DESCRIPTION", ""))
        if not description.startswith("Fenêtre : ") or "\nSource : " not in description:
            fail(f"{key}: the description names no window or no source: {description[:80]}")
        start, end = event.decoded("DTSTART"), event.decoded("DTEND")
        if type(start) is not date or type(end) is not date:
            fail(f"{key}: not an all-day event")
        if key not in EXPECTED:
            fail("unexpected event " + uid)
        if (start, end) != EXPECTED[key]:
            fail(f"{key}: {start} to {end}, expected {EXPECTED[key][0]} to {EXPECTED[key][1]} (end exclusive)")
    missing = set(EXPECTED) - set(seen)
    if missing:
        fail("missing events: " + ", ".join(sorted(missing)))
    print(f"PASS: {len(seen)} events, all-day, dates as counted by hand")


if __name__ == "__main__":
    main(sys.argv[1])
