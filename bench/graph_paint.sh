#!/bin/bash
# The core utilisation graph's paint time under Wine: for 8, 64 and 256
# logical processors (the simulated layouts quad-core, threadripper and
# four-socket), graph_view.exe changes every bar and repaints the whole graph
# a number of times and prints the time of one update with its paint. Prints
# figures and judges nothing.
#
#   bench/graph_paint.sh <windows-sim build folder> [rounds]     (default 200)
set -u
build=$1
rounds=${2:-200}
source=$(cd "$(dirname "$0")/.." && pwd)
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" graph_paint || exit 1
rig_sim reset >/dev/null
for layout in quad-core threadripper four-socket; do
    rig_sim layout $layout >/dev/null
    width=600
    [ $layout = four-socket ] && width=1200
    rig_launch "$build/graph_view.exe" $width 156 bench=$rounds
    win=$(rig_wait 'QuelloraGraphTest|Quellora graph test' 30000) || { echo "$layout: no window"; continue; }
    for _ in $(seq 1 600); do
        grep -q '^paint' "$RIG_OUT.out" 2>/dev/null && break
        sleep 0.2
    done
    rig_picture "$win" $layout
    line=$(tr -d '\r' <"$RIG_OUT.out" | grep '^paint')
    set -- $line
    echo "graph update and paint under Wine, $layout: ${2:-?} logical processors, ${3:-?} ms"
    rig_tool close "$win" >/dev/null
    rig_exit_code 10
done
rig_stop
