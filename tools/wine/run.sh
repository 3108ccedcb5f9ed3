#!/bin/sh
# Runs a Windows program under Wine without a display (console programs and
# tests need none), with the environment the project's runs use: a 64-bit
# prefix made by prefix.sh, Wine's own messages off, UTF-8 arguments.
#
#   tools/wine/run.sh [--keepalive path/to/keepalive.exe] program.exe [arguments...]
#
# With --keepalive (or QUELLORA_WINE_KEEPALIVE set to keepalive.exe) a
# long-lived Wine process is started first when none runs: later runs then
# start fast, and Wine's background processes never inherit the caller's
# standard handles (a test runner waiting for the end of a pipe would wait for
# them). `tools/wine/run.sh --stop-keepalive path/to/keepalive.exe` ends it.
#
# WINEPREFIX chooses the prefix (default: ~/.cache/quellora-wine).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/quellora-wine}"
export WINEPREFIX
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY

keepalive=${QUELLORA_WINE_KEEPALIVE:-}
case "${1:-}" in
    --keepalive)
        keepalive=$2
        shift 2
        ;;
    --stop-keepalive)
        if [ -f "$WINEPREFIX/.quellora-prefix-ready" ]; then
            wine "$2" --stop </dev/null >/dev/null 2>&1 || true
        fi
        exit 0
        ;;
esac

if [ $# -eq 0 ]; then
    echo "usage: run.sh [--keepalive keepalive.exe] program.exe [arguments...]" >&2
    exit 2
fi

"$here/prefix.sh" >&2

# Whether the keepalive process recorded in the prefix still runs (a look at
# /proc, much cheaper than starting a Wine program to ask).
keepalive_runs() {
    pid=$(cat "$WINEPREFIX/.quellora-keepalive.pid" 2>/dev/null) || return 1
    [ -n "$pid" ] && { tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null | grep -q keepalive
}

if [ -n "$keepalive" ] && ! keepalive_runs; then
    # One check at a time, so that parallel runs start one keepalive only.
    exec 9>"$WINEPREFIX/.quellora-keepalive.lock"
    flock 9
    # Every standard handle redirected (and the lock not passed on): the
    # session's background processes inherit what the first Wine process has.
    if ! keepalive_runs; then
        setsid wine "$keepalive" "${QUELLORA_WINE_KEEPALIVE_SECONDS:-900}" </dev/null >/dev/null 2>&1 9>&- &
        echo $! >"$WINEPREFIX/.quellora-keepalive.pid"
        tries=0
        until wine "$keepalive" --ping </dev/null >/dev/null 2>&1 9>&-; do
            tries=$((tries + 1))
            if [ "$tries" -ge 100 ]; then
                echo "run.sh: the keepalive process did not start" >&2
                break
            fi
            sleep 0.1
        done
    fi
    flock -u 9
    exec 9>&-
fi

exec wine "$@"
