#!/bin/bash
# What the resident tray process costs: the simulated-machine Windows build
# started with /systray under Wine (the window rig's private Xvfb, prefix and
# desktop), left alone for a while, then for as long again while another
# program switches the power plan every few seconds (each switch is noticed,
# read from the System log and shown as a balloon).
#
#   bench/tray_idle.sh [build folder] [seconds] [switch every seconds]
#                                         (build-windows-sim, 60, 5; 0: idle only)
#
# Prints the time from the start to the hidden tray window and to the icon on
# the taskbar (measured inside Wine by tray_start_timer.exe), then for each
# period: each thread's wake-ups per minute (voluntary and involuntary
# context switches of its Linux thread, which is what a Wine thread is), the
# process's CPU seconds, and its peak resident set (VmHWM: Wine's own
# libraries included). Judges nothing.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build-windows-sim}" && pwd)
seconds=${2:-60}
switch_every=${3:-5}
. "$here/tests/wine/rig.sh"
rig_start "$build" "$here" tray_bench >/dev/null 2>&1 || { echo "the rig did not start"; exit 1; }

app="$WINEPREFIX/drive_c/Program Files/Quellora"
mkdir -p "$app"
cp "$build/quellora.exe" "$build"/tw_rsrc_*.dll "$app/"
rig_sim reset >/dev/null
# The program as after its first start (no notices to answer, the logon task made).
for key in 'HKCU\Software\Quellora' 'HKLM\Software\Quellora'; do rig_wine reg delete "$key" /f >/dev/null 2>&1; done
rig_wine reg add 'HKLM\Software\Quellora' /v Installed /t REG_DWORD /d 1 /f >/dev/null
rig_wine reg add 'HKCU\Software\Quellora' /v PowerProfileSwitcherMovedNoticeShown /t REG_DWORD /d 1 /f >/dev/null

timing=$(rig_wine "$build/tests/win32/tray_start_timer.exe" 'C:\Program Files\Quellora\quellora.exe' /systray | tr -d '\r')
echo "start to tray window        $(awk '$1 == "tray-window" { print $2 }' <<<"$timing") ms"
echo "start to icon on taskbar    $(awk '$1 == "icon" { print $2 }' <<<"$timing") ms"

# The Linux process of this run's quellora.exe (its environment names the run's prefix).
pid=
for i in $(seq 50); do
    for candidate in $(pgrep -f 'Quellora\\quellora.exe /systray'); do
        if tr '\0' '\n' <"/proc/$candidate/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            pid=$candidate
        fi
    done
    [ -n "$pid" ] && break
    sleep 0.1
done
if [ -z "$pid" ]; then
    echo "the tray process was not found"
    rig_stop
    exit 1
fi

# Let the start settle, then measure.
sleep 2
ticks=$(getconf CLK_TCK)
snapshot() {  # tid comm switches, one line a thread
    local task
    for task in /proc/$pid/task/*; do
        local tid=${task##*/}
        local switches
        switches=$(awk '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print s }' "$task/status" 2>/dev/null)
        echo "$tid $(tr ' ' '_' <"$task/comm" 2>/dev/null) ${switches:-0}"
    done
}
cpu() { awk -v t="$ticks" '{ printf "%.3f", ($14 + $15) / t }' "/proc/$pid/stat"; }
# measure <title>: one period of $seconds.
measure() {
    local before after cpu_before cpu_after started elapsed minutes
    before=$(snapshot)
    cpu_before=$(cpu)
    started=$(date +%s%N)
    sleep "$seconds"
    after=$(snapshot)
    cpu_after=$(cpu)
    elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
    minutes=$(awk -v ms="$elapsed" 'BEGIN { print ms / 60000 }')

    echo "$1 for $((elapsed / 1000)) s, process $pid (Linux)"
    echo "wake-ups per minute, each thread (the main thread is the one whose id is the process's):"
    join <(sort <<<"$before") <(sort <<<"$after") | while read -r tid comm a _ b; do
        role=""
        [ "$tid" = "$pid" ] && role=" (main thread: tray window, message loop)"
        awk -v t="$tid" -v c="$comm" -v a="$a" -v b="$b" -v m="$minutes" -v r="$role" \
            'BEGIN { printf "  thread %-8s %-18s %8.1f%s\n", t, c, (b - a) / m, r }'
    done
    awk -v a="$cpu_before" -v b="$cpu_after" -v m="$minutes" \
        'BEGIN { printf "CPU seconds                 %.3f in the period (%.3f per minute)\n", b - a, (b - a) / m }'
    echo "peak working set            $(awk '/^VmHWM:/ { print $2, $3 }' "/proc/$pid/status") (VmHWM, since the start)"
    echo "threads                     $(ls /proc/$pid/task | wc -l)"
}

measure idle
echo "CPU seconds since the start $(cpu)"
if [ "$switch_every" != 0 ]; then
    # Another program switches between Balanced and Power saver.
    (
        to=saver
        while :; do
            rig_sim active $to --by 'C:\Tools\switcher.exe' --pid 4242 >/dev/null
            if [ $to = saver ]; then to=balanced; else to=saver; fi
            sleep "$switch_every"
        done
    ) &
    switcher=$!
    echo
    measure "a plan switch every $switch_every s"
    kill "$switcher" 2>/dev/null
    wait "$switcher" 2>/dev/null
    echo "CPU seconds since the start $(cpu)"
fi

rig_launch 'C:\Program Files\Quellora\quellora.exe' /terminate
rig_exit_code 10
rig_stop
