# Sourced by the scripts that cross-build a library for Windows from a Debian 12 source package.
# The source comes through apt-get with a sources list, state and cache of the caller's own, made
# from the machine's own Debian archive line: the machine's apt configuration is not changed.

# deb-src for the first Debian archive the machine's apt uses, with the same signing key.
debian_archive_line()
{
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             /(^|\n)Types:[^\n]*deb/ && /(^|\n)Components:[^\n]*main/ {
                 uri = ""; key = ""
                 for (i = 1; i <= NF; i++) {
                     if ($i ~ /^URIs:/) { uri = $i; sub(/^URIs:[ \t]*/, "", uri); sub(/[ \t].*/, "", uri) }
                     if ($i ~ /^Signed-By:/) { key = $i; sub(/^Signed-By:[ \t]*/, "", key) }
                 }
                 if (uri ~ /\/debian\/?$/) { print uri " " key; exit }
             }' "$file"
    done | head -1
    sed -n 's|^deb \(\[[^]]*\] \)\?\([^ ]*/debian/\?\) .*|\2|p' /etc/apt/sources.list 2>/dev/null | head -1
}

# debian_source SOURCE VERSION DIR: fetches and unpacks the source package SOURCE=VERSION under
# DIR/src, with Debian's patches applied, and prints the unpacked folder. apt's own files go to
# DIR/apt and its messages to DIR/apt.log.
debian_source()
{
    local source="$1" version="$2" dir="$3" uri key
    mkdir -p "$dir/apt/sources.list.d" "$dir/apt/state/lists/partial" "$dir/apt/cache/archives/partial" "$dir/src"
    read -r uri key < <(debian_archive_line | head -1)
    [ -n "${uri:-}" ] || { echo "$source: no Debian archive in the machine's apt sources" >&2; return 1; }
    {
        echo "Types: deb-src"
        echo "URIs: $uri"
        echo "Suites: bookworm"
        echo "Components: main"
        [ -n "${key:-}" ] && echo "Signed-By: $key"
    } >"$dir/apt/sources.list.d/debian-src.sources"
    local apt=(apt-get -q -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$dir/apt/sources.list.d"
        -o "Dir::State=$dir/apt/state" -o "Dir::Cache=$dir/apt/cache" -o APT::Sandbox::User=root
        -o Debug::NoLocking=1)
    "${apt[@]}" update >"$dir/apt.log" 2>&1 || { cat "$dir/apt.log" >&2; return 1; }
    (cd "$dir/src" && "${apt[@]}" source --download-only "$source=$version") >>"$dir/apt.log" 2>&1 || true

    local dsc="$dir/src/${source}_$version.dsc" upstream="${version%-*}" orig
    orig=$(find "$dir/src" -maxdepth 1 -name "${source}_${upstream#*:}.orig.tar.*" | head -1)
    [ -f "$dsc" ] && [ -n "$orig" ] || { cat "$dir/apt.log" >&2; echo "$source: no source for $version" >&2; return 1; }
    if find "$dir/src" -maxdepth 1 -name "${source}_${version#*:}.debian.tar.*" | grep -q .; then
        # dpkg-source checks every file against the description's checksums, then applies the patches.
        dpkg-source --no-copy -x "$dsc" "$dir/src/$source" >>"$dir/apt.log" 2>&1 \
            || { cat "$dir/apt.log" >&2; return 1; }
    else
        # An archive may serve the description and the upstream tarball without the Debian part;
        # the upstream tarball is then used alone, once its checksum matches the description's.
        local expected
        expected=$(awk '/^Checksums-Sha256:/ { listed = 1; next } /^[^ ]/ { listed = 0 }
                        listed && $3 ~ /\.orig\.tar\./ { print $1 }' "$dsc")
        echo "$expected  $orig" | sha256sum -c --quiet >&2 || { echo "$source: $orig does not match $dsc" >&2; return 1; }
        mkdir -p "$dir/src/$source"
        tar -xf "$orig" -C "$dir/src/$source" --strip-components=1
        echo "$source: the archive gave no Debian part for $version: building its upstream source alone" >&2
    fi
    echo "$dir/src/$source"
}
