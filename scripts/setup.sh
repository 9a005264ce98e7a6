# Shared by scripts/run, scripts/test and scripts/bench: install what is missing, configure, build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

as_root()
{
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# install_packages LIST...: installs the packages the named lists in scripts/ hold, when missing.
install_packages()
{
    local wanted missing=()
    wanted=$(for list in "$@"; do grep -v '^\s*#' "$ROOT/scripts/$list" | grep -v '^\s*$'; done)
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

# configure_and_build PRESET: configures the preset's build when it is new or the presets have
# changed since (the build itself reconfigures when a CMakeLists.txt changes), then builds it.
configure_and_build()
{
    local preset="$1" cache="$ROOT/build/$1/CMakeCache.txt"
    cd "$ROOT"
    if [ ! -f "$cache" ] || [ CMakePresets.json -nt "$cache" ]; then
        cmake --preset "$preset"
    fi
    cmake --build --preset "$preset" -j "$(nproc)"
}
