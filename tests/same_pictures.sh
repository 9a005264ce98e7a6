#!/usr/bin/env bash
# same_pictures.sh EXPECTED ACTUAL: passes when the two pictures have the same size and pixels,
# else says how many pixels differ and keeps a picture of where, beside ACTUAL.
set -uo pipefail
[ -f "$1" ] && [ -f "$2" ] || { echo "missing picture: $1 or $2" >&2; exit 1; }
differing=$(compare -metric AE "$1" "$2" "${2%.png}-difference.png" 2>&1 >/dev/null)
if [ "$differing" = 0 ]; then
    rm -f "${2%.png}-difference.png"
    echo "$2: the same pixels as $1"
    exit 0
fi
echo "$2: $differing pixels differ from $1 (see ${2%.png}-difference.png)" >&2
exit 1
