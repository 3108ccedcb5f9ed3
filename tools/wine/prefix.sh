#!/bin/sh
# Creates the Wine prefix that the Windows build runs in, once: a 64-bit
# prefix without Mono and Gecko, the crash dialog turned off (a crashed
# program must end, not wait for a click) and Windows 10 as the reported
# version. Running it again on a ready prefix does nothing.
#
#   WINEPREFIX=/path/to/prefix tools/wine/prefix.sh
#
# Without WINEPREFIX the prefix is ~/.cache/quellora-wine.
set -eu

: "${WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/quellora-wine}"
export WINEPREFIX
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY

marker="$WINEPREFIX/.quellora-prefix-ready"
if [ -f "$marker" ]; then
    exit 0
fi

for tool in wine wineboot wineserver; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "prefix.sh: $tool not found (apt-get install wine wine64)" >&2
        exit 1
    fi
done

mkdir -p "$WINEPREFIX"
# One creation at a time (parallel test runs may all find the prefix missing).
exec 8>"$WINEPREFIX/.quellora-prefix.lock"
flock 8
if [ -f "$marker" ]; then
    exit 0
fi

# Every Wine process below gets /dev/null for its standard handles: the
# session's background processes inherit them and would otherwise hold the
# caller's pipes open.
wineboot -i </dev/null >/dev/null 2>&1 8>&-
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 8>&-
wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f </dev/null >/dev/null 2>&1 8>&-
wineserver -w </dev/null >/dev/null 2>&1 8>&-

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "prefix.sh: wineboot did not create $WINEPREFIX" >&2
    exit 1
fi
touch "$marker"
echo "prefix.sh: Wine prefix ready in $WINEPREFIX" >&2
