#!/usr/bin/env bash
# Makes Debian's tinyxml2 sources available at /usr/src/tinyxml2 (as Debian's
# googletest sources are at /usr/src/googletest), for the Windows build, which
# compiles them with mingw-w64. The host build uses libtinyxml2-dev.
#
# On a machine without source entries for apt, it adds deb-src entries for the
# same mirrors and suites as the existing deb entries, then runs
# `apt-get source tinyxml2`. Needs root (run by tools/test-all.sh).
set -euo pipefail

target=/usr/src/tinyxml2
if [ -f "$target/tinyxml2.cpp" ] && [ -f "$target/tinyxml2.h" ]; then
    exit 0
fi

if ! apt-get source --print-uris tinyxml2 >/dev/null 2>&1; then
    list=/etc/apt/sources.list.d/quellora-deb-src
    {
        # deb822 files: every "Types: deb" stanza again as "Types: deb-src".
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] || continue
            case "$f" in */quellora-deb-src.sources) continue ;; esac
            awk 'BEGIN { RS = ""; ORS = "\n\n" }
                 /(^|\n)Types:[ \t]*deb([ \t]|\n|$)/ && !/deb-src/ { sub(/Types:[ \t]*deb/, "Types: deb-src"); print }' "$f"
        done
    } > "$list.sources.tmp"
    # One-line files: every "deb " line again as "deb-src ".
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        grep -E '^[[:space:]]*deb[[:space:]]' "$f" | sed -E 's/^([[:space:]]*)deb([[:space:]])/\1deb-src\2/'
    done > "$list.list.tmp" || true
    if [ -s "$list.sources.tmp" ]; then mv "$list.sources.tmp" "$list.sources"; else rm -f "$list.sources.tmp"; fi
    if [ -s "$list.list.tmp" ]; then mv "$list.list.tmp" "$list.list"; else rm -f "$list.list.tmp"; fi
    apt-get update -qq
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq tinyxml2 >/dev/null 2>&1 || apt-get source tinyxml2)
src=$(find "$work" -maxdepth 2 -name tinyxml2.cpp -printf '%h\n' | head -n 1)
if [ -z "$src" ]; then
    echo "tinyxml2-source.sh: apt-get source tinyxml2 gave no tinyxml2.cpp" >&2
    exit 1
fi
rm -rf "$target.tmp"
mkdir -p "$target.tmp"
cp -a "$src"/. "$target.tmp"/
rm -rf "$target"
mv "$target.tmp" "$target"
