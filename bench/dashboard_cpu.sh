#!/bin/bash
# The CPU the program spends with its main window open on the dashboard under
# Wine (the simulated machine's build): the dashboard's three refreshes run
# (every 750 ms, 5 s and 1 s, the graph and its counters included); the
# process's CPU time and its wineserver's are read from /proc over a minute.
# Prints figures and judges nothing.
#
#   bench/dashboard_cpu.sh <windows-sim build folder> [seconds]     (default 60)
set -u
build=$1
seconds=${2:-60}
source=$(cd "$(dirname "$0")/.." && pwd)
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" dashboard_cpu || exit 1
rig_sim reset hybrid-laptop >/dev/null
rig_sim update none >/dev/null

# ticks <pid>: its user and system time so far, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
# The Linux processes of this run's Wine session with a name.
pid_of() {
    local p
    for p in /proc/[0-9]*; do
        { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -q "$1" && { basename "$p"; return; }
    done
}

rig_launch "$build/quellora.exe"
main=$(rig_wait '#32770|Quellora – Core*' 30000) || { echo "no main window"; rig_stop; exit 1; }
sleep 5
program=$(pid_of 'quellora.exe')
server=$(pid_of wineserver)
hz=$(getconf CLK_TCK)
p0=$(ticks "$program"); s0=$(ticks "$server")
sleep "$seconds"
p1=$(ticks "$program"); s1=$(ticks "$server")
awk -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v hz="$hz" -v t="$seconds" 'BEGIN {
    printf "dashboard open under Wine: program %.2f s CPU per minute, its wineserver %.2f s per minute (%d s measured)\n",
        p / hz * 60 / t, s / hz * 60 / t, t }'
rig_wine "$build/quellora.exe" /terminate >/dev/null
rig_stop
