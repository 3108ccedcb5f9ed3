#!/bin/bash
# The tray under Wine, on the simulated machine: the icon follows the parked
# cores and its tooltip counts them; a plan switch by another program gives a
# balloon naming the program and both plans, also when Windows writes its
# record late, and twelve switches in one calendar minute give nine balloons
# and then the throttled one; the menu shows the plans and options as they
# are, and its commands switch plans, make the maker's plan and set the idle
# time; with UpdateCheckIntervalSeconds 0 no update request is ever made.
# Verdicts come from the taskbar's pixels, the shell's tooltips and balloons
# (read back by wintool), the menu's items, the registry and the simulated
# machine.
#
#   tray.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" tray || exit 1
. "$source/tests/wine/tray_steps.sh"

tray_install
rig_sim reset >/dev/null
tray_forget_program
rig_wine reg add "$TRAY_MACHINE_KEY" /v Installed /t REG_DWORD /d 1 /f >/dev/null
rig_wine reg add "$TRAY_MACHINE_KEY" /v UpdateCheckIntervalSeconds /t REG_DWORD /d 0 /f >/dev/null
# The idle time 5 min 0.5 s: its menu item is the 5-minute one.
rig_wine reg add "$TRAY_USER_KEY" /v IdleSecs /t REG_DWORD /d 300 /f >/dev/null
rig_sim update version 6.0.3.0 >/dev/null
rig_sim update clear >/dev/null

# ---- The icon follows the parked cores.
rig_sim load 100 all >/dev/null   # every processor busy: nothing parked
rig_launch "$TRAY_EXE" /systray
instance=$RIG_PID
started=$(date +%s)
rig_check "the tray window exists" rig_tool exists "$TRAY_WINDOW" 30000
tray=$(rig_tool windows "$TRAY_WINDOW" | awk -F '\t' 'NR == 1 { print $1 }')
rig_check "the normal icon while every core runs" tray_wait_icon normal 20000
rig_check "its tooltip: no cores parked" tray_wait_tip 'No cores are parked.' 5000

# probe_cost: how long one look at the icon takes in this session now (two
# Wine programs; on a loaded machine most of a second): the times below are
# taken from the change to the look that saw it, so they allow for it.
probe_cost() {
    local t=$(date +%s%N)
    tray_icon_shown >/dev/null
    PROBE_MS=$((($(date +%s%N) - t) / 1000000))
}
# icon_follows <load> <normal|parked> <description>: the load of every
# processor changes, and the icon follows within about a second.
icon_follows() {
    probe_cost
    rig_sim load "$1" all >/dev/null
    local t0=$(date +%s%N) ms
    if tray_wait_icon "$2" 10000; then
        ms=$((($(date +%s%N) - t0) / 1000000))
        rig_check "$3 ($ms ms, a look $PROBE_MS ms; within about 1 s)" test "$ms" -lt $((1500 + 2 * PROBE_MS))
    else
        rig_fail "$3" "icon: $(tray_icon_shown)"
    fi
}
icon_follows 0 parked "the parked icon once the load is gone"
# Balanced on the hybrid laptop keeps one efficient core and parks the rest:
# 7 efficient cores and the 8 performance cores with two threads, 23 of its
# 24 logical processors.
rig_check "its tooltip counts them" tray_wait_tip "23 of 24 logical processors are parked." 5000
rig_picture desktop parked-icon
icon_follows 100 normal "the normal icon again once they unpark"
rig_check "... and its tooltip says so" tray_wait_tip 'No cores are parked.' 5000
rig_sim load 0 all >/dev/null

# ---- A plan switch by another program.
probe_cost
rig_sim active saver --by 'C:\Tools\switcher.exe' --pid 4242 >/dev/null
t0=$(date +%s%N)
if tray_wait_balloon 'switcher.exe switched the power plan' 'From Balanced to Power saver.' 10000; then
    ms=$((($(date +%s%N) - t0) / 1000000))
    # Wine's shell shows a balloon 2 s after it is asked to.
    rig_check "a balloon names switcher.exe and both plans ($ms ms, a look $PROBE_MS ms; 1.5 s and Wine's 2 s)" \
        test "$ms" -lt $((4000 + 2 * PROBE_MS))
    rig_picture desktop plan-change-balloon
else
    rig_fail "a balloon names switcher.exe and both plans" "$(rig_tool balloon)"
fi

rig_sim events delay 2000 >/dev/null
rig_sim active balanced --by 'C:\Tools\late.exe' --pid 5151 >/dev/null
rig_check "a record written 2 s late still names the right program" \
    tray_wait_balloon 'late.exe switched the power plan' 'From Power saver to Balanced.' 12000
rig_sim events delay 0 >/dev/null

# Twelve switches in one calendar minute: nine balloons, then the throttled one.
sleep $((61 - $(date -u +%-S)))   # a new minute begins
watch="$RIG_DIR/balloons"
rig_tool balloons 52000 >"$watch" &
watcher=$!
# One switch every 4 s (by one program that keeps its own time): each is
# seen by itself (the active plan is read once a second), and each balloon
# stays long enough to be seen (Wine's shell shows a balloon 2 s after it is
# asked to, and a newer one replaces it).
rig_sim active saver,balanced --by 'C:\Tools\switcher.exe' --pid 4242 --times 12 --every 4000 >/dev/null
# The last switch's report comes about 1.5 s after it: still in this minute.
minute_ok=$([ "$(date -u +%-S)" -ge 57 ] && echo no || echo yes)
wait "$watcher"
texts=$(tr -d '\r' <"$watch" | cut -f3 | uniq)
changes=$(grep -c 'Click here to see the switches' <<<"$texts")
first_throttled=$(grep -n 'switched very often' <<<"$texts" | head -n1 | cut -d: -f1)
if [ "$minute_ok" = yes ] && [ "$changes" = 9 ] && [ "$first_throttled" = 10 ]; then
    rig_check "twelve switches in one minute: nine balloons, then the throttled one" true
else
    rig_fail "twelve switches in one minute: nine balloons, then the throttled one" \
        "$(cat "$watch"; echo "(ended at second $(date -u +%-S))")"
fi

# ---- Dynamic Boost from the menu: 34735 opens its dialog, OK starts it.
log="$(rig_local_appdata)/Quellora/dynboost.log"
rig_sim active balanced >/dev/null
rig_sim idle 400 >/dev/null   # away for 400 s, beyond the idle time of 5 min
rig_tool post "$tray" 0x111 34735 0 >/dev/null
if dialog=$(rig_wait '#32770|Dynamic Boost' 10000); then
    rig_tool click "$dialog" 3267 >/dev/null
    rig_tool click "$dialog" 1 >/dev/null
    rig_gone "$dialog" 5000
    rig_check "34735 with Dynamic Boost off: its dialog turns it on" tray_wait_value "$TRAY_USER_KEY" DynPwr 0x1 5000
    # The laptop uses power modes: the idle plan is the best-efficiency one
    # (the log names a plan by its own name).
    rig_check "... and starts it: away 400 s, the idle plan (dynboost.log)" \
        tray_wait_log "$log" $'\t2\tBest Power Efficiency' 10000
else
    rig_fail "34735 with Dynamic Boost off opens its dialog"
fi

# A timeout item writes the idle time and the running Dynamic Boost reloads it.
rig_tool post "$tray" 0x111 34751 0 >/dev/null
rig_check "the 15-minute item writes 900 s" tray_wait_value "$TRAY_USER_KEY" IdleSecs 0x384 5000
rig_check "... and Dynamic Boost reloads it: 400 s is no longer idle, the in-use plan (dynboost.log)" \
    tray_wait_log "$log" $'\t1\t' 10000
# The plan in use as the menu names it: a power mode over Balanced as
# "Balanced: " and the mode's name.
in_use=$(rig_sim plans | tr -d '\r' | awk '$1 == "*" { $1 = ""; $2 = ""; sub(/^ +/, ""); print }')
overlay=$(rig_sim status | tr -d '\r' | awk '$1 == "overlay" && $2 == "AC" { print $3 }')
if [ "$in_use" = Balanced ] && [ -n "$overlay" ] && [ "$overlay" != none ]; then
    in_use="Balanced: $(rig_sim plans | tr -d '\r' | grep -F "$overlay" | sed 's/^. {[^}]*}  //; s/ \[.*$//')"
fi

# ---- The menu: plans and options as they are.
rig_wine reg add "$TRAY_USER_KEY" /v AlwaysShowEfficiencyClassSelection /t REG_DWORD /d 0 /f >/dev/null
rig_tool post "$tray" 0x401 0 517 >/dev/null
# menu_rows <menu>: how many rows of that open popup menu are drawn (0 is the
# tray menu, 1 the submenu open beside it).
menu_rows() { rig_tool menus | tr -d '\r' | awk -F '\t' -v m="$1" '$1 == m { n++ } END { print n + 0 }'; }
# menu_open <rows> <letter>: closes the open submenu, if any, and waits until
# it is gone (keys typed into a closing submenu may go to the wrong menu);
# then opens the submenu of that letter and prints its check marks, one a row,
# once all its rows are drawn.
menu_open() {
    local rows=$1 checks i
    if [ "$(menu_rows 1)" != 0 ]; then
        rig_tool keys '#32768|*' left >/dev/null
        for i in $(seq 30); do [ "$(menu_rows 1)" = 0 ] && break; sleep 0.1; done
    fi
    rig_tool keys '#32768|*' "$2" >/dev/null
    for i in $(seq 30); do
        checks=$(rig_tool menus | tr -d '\r' | awk -F '\t' '$1 == 1 { printf "%s", $3 }')
        [ ${#checks} = "$rows" ] && break
        sleep 0.3
    done
    echo "$checks"
}
if rig_wait '#32768|*' 10000 >/dev/null; then
    # Balanced, its power modes as "Balanced: ...", High performance, Power
    # saver by name (Ultimate Performance is hidden).
    case $in_use in
    Balanced) expected=100000 ;;
    'Balanced: Best Performance') expected=010000 ;;
    'Balanced: Best Power Efficiency') expected=001000 ;;
    'High performance') expected=000100 ;;
    'Balanced: Legacy High Performance') expected=000010 ;;
    *) expected=000001 ;;
    esac
    plans=$(menu_open 6 p)
    rig_picture desktop tray-menu
    rig_check "the plan submenu: six plans, the active one ($in_use) checked ($plans)" test "$plans" = "$expected"
    # Enabled, the six idle times, the custom time, the settings.
    boost=$(menu_open 9 d)
    rig_picture desktop tray-menu-boost
    rig_check "Dynamic Boost: enabled checked, the 15-minute item and no other ($boost)" test "$boost" = 100001000
    # Plan notices, efficiency classes, the maker's plan, start with Windows (no task).
    options=$(menu_open 4 t)
    rig_picture desktop tray-menu-options
    rig_check "options: plan notices checked, the others not ($options)" test "$options" = 1000
    # Power saver is the sixth plan: down five times from the first, and Enter.
    menu_open 6 p >/dev/null
    rig_tool keys '#32768|*' down down down down down enter >/dev/null
    for i in $(seq 50); do grep -q '^\* .*Power saver' <<<"$(rig_sim plans | tr -d '\r')" && break; sleep 0.1; done
    rig_check "choosing Power saver makes it active" grep -q '^\* .*Power saver' <<<"$(rig_sim plans | tr -d '\r')"
    rig_check "... and turns Dynamic Boost off" tray_wait_value "$TRAY_USER_KEY" DynPwr 0x0 3000
else
    rig_fail "the menu appears at a right click"
fi
rig_gone '#32768|*' 3000 || rig_tool keys '#32768|*' escape escape >/dev/null

# The maker's plan: made and made active.
rig_tool post "$tray" 0x111 34967 0 >/dev/null
for i in $(seq 50); do grep -q '^\* .*Ostrima Highest Performance' <<<"$(rig_sim plans | tr -d '\r')" && break; sleep 0.2; done
rig_check "34967 makes the maker's plan and activates it" \
    grep -q '^\* .*Ostrima Highest Performance' <<<"$(rig_sim plans | tr -d '\r')"
rig_check "... and lists it from then on" tray_wait_value "$TRAY_MACHINE_KEY" AlwaysShowOstrimaHighestPerformance 0x1 3000
# No main window was open: it opens.
if main=$(rig_wait '#32770|Quellora – Core*' 5000); then
    rig_check "... and the main window opens" true
    rig_tool close "$main" >/dev/null
    rig_gone "$main"
else
    rig_fail "... and the main window opens"
fi

# ---- No update checks of the tray's with UpdateCheckIntervalSeconds 0 (the
# first would come after 60 s); the main window checks once as it opens.
requests() { rig_sim update requests | tr -d '\r' | grep -c .; }
window_requests=$(requests)
while [ $(($(date +%s) - started)) -lt 65 ]; do sleep 1; done
rig_check "UpdateCheckIntervalSeconds 0: no update request of the tray's in $(($(date +%s) - started)) s" \
    [ "$(requests)" = "$window_requests" ]

tray_terminate "$instance"
rig_check "/terminate ends the instance ($RIG_EXIT)" test "$RIG_EXIT" = 0
rig_finish
