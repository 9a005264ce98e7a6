# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PRESET="${PRESET:-default}"
BUILD_DIR="$ROOT/build/$PRESET"

as_root()
{
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# install_packages [LIST...]: the packages of the lists in scripts/ (packages.txt by default).
install_packages()
{
    local wanted missing=() list
    wanted=$(for list in "${@:-packages.txt}"; do grep -v '^\s*#' "$ROOT/scripts/$list" | grep -v '^\s*$'; done)
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

configure_and_build()
{
    cd "$ROOT"
    cmake --preset "$PRESET"
    cmake --build --preset "$PRESET" -j "$(nproc)"
}
