#!/bin/bash
# Figures of the main window under Wine on the simulated machine (they print,
# they judge nothing): the time from a click on the tray icon to the main
# window shown and painted, and from a click on a navigation row to its page
# shown and painted; median, minimum and maximum of the runs.
#
#   bench/window_bench.sh <windows-sim build folder> [runs]     (20 runs by default)
set -u
build=$(cd "$1" && pwd)
runs=${2:-20}
source=$(cd "$(dirname "$0")/.." && pwd)
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" window_bench >/dev/null 2>&1 || exit 1

MAIN='#32770|Quellora – Core*'
TRAY='WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}|WndName-{7298c6b8-835f-4234-8054-49925ccd4038}'

summary() {  # summary <title>: the figures read from standard input, one a line
    sort -n | awk -v title="$1" '{ v[NR] = $1 } END {
        if (NR == 0) { printf "%-44s no figures\n", title; exit }
        printf "%-44s ms median %.1f min %.1f max %.1f (%d runs)\n", title, v[int((NR + 1) / 2)], v[1], v[NR], NR }'
}

rig_sim reset hybrid-laptop >/dev/null

# The tray icon's click, with the program running in the notification area.
rig_launch "$build/quellora.exe" /systray
if tray=$(rig_tool exists "$TRAY" 30000); then
    sleep 1
    rig_tool time-open "$tray" "$MAIN" "$runs" | summary "tray click to main window painted"
    rig_tool post "$tray" 0x111 105 >/dev/null  # Exit
    rig_exit_code 20
else
    echo "tray click to main window painted          no tray window in this build"
    kill "$RIG_PID" 2>/dev/null
fi

# A navigation click, in the window opened without the tray.
rig_launch "$build/quellora.exe" /nosystray
if main=$(rig_wait "$MAIN" 30000); then
    sleep 1
    rig_tool time-select "$main" 9400 0 4 "$runs" | summary "navigation click to page painted (0, 4, ...)"
    rig_tool time-select "$main" 9400 1 5 "$runs" | summary "navigation click to page painted (1, 5, ...)"
    rig_tool close "$main"
    rig_exit_code 20
fi
rig_stop
