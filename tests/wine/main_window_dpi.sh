#!/bin/bash
# The main window on a screen of 144 dpi (Wine's LogPixels): everything the
# window lays out itself is scaled by one and a half.
#
#   main_window_dpi.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
RIG_LOG_PIXELS=144
rig_start "$build" "$source" main_window_dpi || exit 1

rig_sim reset hybrid-laptop >/dev/null
rig_launch "$build/quellora.exe" /nosystray
if main=$(rig_wait '#32770|Quellora – Core*' 30000); then
    sleep 0.5
    rig_picture "$main" dashboard-144dpi
    read -r _ _ _ _ _ x y w h _ < <(rig_controls "$main" | awk -F '\t' '$1 == 9400 { print; exit }' | tr '\t' ' ')
    rig_check "the navigation list is 150 pixels at 96 dpi, 225 at 144 (x $x, width $w)" [ "$x" = 12 ] && [ "$w" = 225 ]
    rig_check "its margin is 12 pixels ($y)" [ "$y" = 12 ]
    read -r px py < <(rig_controls "$main" | awk -F '\t' '$2 == "#32770" && $3 == 1 { print $6, $7; exit }')
    rig_check "the page stands beside it at (249, 12) ($px, $py)" [ "$px" = 249 ] && [ "$py" = 12 ]
    rig_tool close "$main"
    rig_exit_code 20
    rig_check "closing ends the process" [ "$RIG_EXIT" = 0 ]
else
    rig_fail "the main window opens at 144 dpi"
fi
rig_finish
