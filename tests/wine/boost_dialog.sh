#!/bin/bash
# The Dynamic Boost dialog (5073) under Wine, on the simulated machine:
# pictured light and dark, its controls off until Dynamic Boost is enabled,
# Taskwarden's Restwell refusing it and Taskwarden's other settings asked
# about, an idle time of 0 refused, OK and the title bar's close saving
# (and starting Dynamic Boost, whose switch log shows its first switch).
# Verdicts come from the controls and the registry read back.
#
#   boost_dialog.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" boost_dialog || exit 1

dialog=
open_dialog() {
    rig_launch "$build/boost_dialog.exe"
    dialog=$(rig_wait '#32770|Dynamic Boost' 20000) || { dialog=; rig_fail "the dialog appears"; return 1; }
}
field() { rig_control_field "$dialog" "$1" "$2"; }
dependents_enabled() {  # dependents_enabled 1|0: every control that follows the box
    local id
    for id in 3202 3203 3134 3268 3269 3163 3164 3165; do
        [ "$(field $id 4)" = "$1" ] || return 1
    done
}
box=
wait_box() { box=$(rig_wait '#32770|Quellora' 10000) || { box=; return 1; }; }
box_text() { rig_control_field "$box" 20482 10; }
value() {  # value <name>: a REG_DWORD or REG_BINARY of HKCU\Software\Quellora
    rig_wine reg query 'HKCU\Software\Quellora' /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { print $3 }'
}

rig_sim reset >/dev/null
rig_sim idle 400 >/dev/null

# ---- Light: everything off until the box is checked.
if open_dialog; then
    rig_picture "$dialog" dialog-light
    rig_check "opens with Dynamic Boost off: the box unchecked" [ "$(field 3267 5)" = 0 ]
    rig_check "the controls that follow the box are disabled" dependents_enabled 0
    rig_check "the idle time shows 300 seconds" [ "$(field 3134 10)" = 300 ]
    # The laptop uses power modes: the best-performance mode is the default in-use plan.
    rig_check "the in-use plan is the best-performance power mode" \
        [ "$(rig_tool text "$dialog" 3202)" = "Balanced: Best Performance" ]
    rig_tool click "$dialog" 3267
    sleep 0.3
    rig_check "checking the box enables them" dependents_enabled 1
    rig_picture "$dialog" dialog-enabled-light
    rig_tool click "$dialog" 3267
    sleep 0.3
    rig_check "unchecking disables them again" dependents_enabled 0

    # Restwell running: refused with 695, the box stays unchecked.
    rig_sim event 'Global\4becabdf-7b32-482f-ad9e-ef92af1a88c5' on >/dev/null
    rig_tool click "$dialog" 3267
    if wait_box; then
        rig_picture "$box" restwell-light
        rig_check "Restwell: the error names it" grep -q "^Taskwarden's Restwell is active" <<<"$(box_text)"
        rig_tool click "$box" 1
        rig_gone "$box" 5000
    else
        rig_fail "Restwell: a message appears"
    fi
    sleep 0.3
    rig_check "Restwell: the box is unchecked again" [ "$(field 3267 5)" = 0 ]
    rig_sim event 'Global\4becabdf-7b32-482f-ad9e-ef92af1a88c5' off >/dev/null

    # Taskwarden's load-based switcher is on: the user is asked (9493).
    mkdir -p "$WINEPREFIX/drive_c/twconfig"
    printf 'LoadBasedPowerSwitcherEnabled=true\r\n' >"$WINEPREFIX/drive_c/twconfig/twarden.ini"
    rig_wine reg add 'HKLM\Software\Taskwarden' /v Install_Dir /t REG_SZ /d 'C:\Taskwarden' /f >/dev/null
    rig_wine reg add 'HKLM\Software\Taskwarden' /v ConfigFolderEx /t REG_SZ /d 'C:\twconfig' /f >/dev/null
    rig_tool click "$dialog" 3267
    if wait_box; then
        rig_picture "$box" conflicts-light
        rig_check "conflicts: the question lists them" grep -q "These Taskwarden settings" <<<"$(box_text)"
        rig_tool click "$box" 7
        rig_gone "$box" 5000
    else
        rig_fail "conflicts: the question appears"
    fi
    sleep 0.3
    rig_check "conflicts: No leaves the box unchecked" [ "$(field 3267 5)" = 0 ]
    rig_tool click "$dialog" 3267
    if wait_box; then
        rig_tool click "$box" 6
        rig_gone "$box" 5000
    fi
    sleep 0.3
    rig_check "conflicts: Yes checks it" [ "$(field 3267 5)" = 1 ]

    # An idle time of 0: refused with 1336, the dialog stays open.
    rig_tool settext "$dialog" 3134 0
    rig_tool click "$dialog" 1
    if wait_box; then
        rig_picture "$box" idle-time-refused
        rig_check "0 seconds: refused with 1336" [ "$(box_text)" = "Enter the idle time as a number of seconds above 0." ]
        rig_tool click "$box" 1
        rig_gone "$box" 5000
    else
        rig_fail "0 seconds: a message appears"
    fi
    rig_check "0 seconds: the dialog stays open" rig_tool exists "$dialog" 1000

    # OK saves and starts Dynamic Boost.
    rig_tool settext "$dialog" 3134 10
    rig_tool select "$dialog" 3202 0
    # High performance, after Balanced and two of its power modes.
    rig_tool select "$dialog" 3203 3
    rig_tool click "$dialog" 1
    rig_exit_code 20
    rig_check "OK ends the dialog with IDOK (exit $RIG_EXIT)" [ "$RIG_EXIT" = 1 ]
    rig_check "OK saved Dynamic Boost on" [ "$(value DynPwr)" = 0x1 ]
    rig_check "OK saved the idle time" [ "$(value IdleSecs)" = 0xa ]
    rig_check "OK saved the idle plan High performance" \
        [ "$(value BoostIdle | tr a-f A-F)" = DA7F5E8CBFE8964A9A85A6E23A8C635C ]
    log="$(rig_local_appdata)/Quellora/dynboost.log"
    rig_check "Dynamic Boost started and switched to the idle plan (dynboost.log)" \
        grep -q $'\t2\tHigh performance' <<<"$(iconv -f UTF-16LE -t UTF-8 "$log" 2>/dev/null | tr -d '\r')"
fi

# ---- Dark: opened while Dynamic Boost is on, the box is checked; the title bar's close saves.
rig_sim theme dark >/dev/null
if open_dialog; then
    rig_picture "$dialog" dialog-dark
    rig_check "dark: the dialog takes the dark palette" [ "$(rig_pixel "$dialog" 3 3)" = 191D22 ]
    read -r cx cy cw ch < <(rig_controls "$dialog" | awk -F '\t' '$1 == 3268 { print $6, $7, $8, $9; exit }')
    rig_check "dark: the check boxes are painted dark" [ "$(rig_pixel "$dialog" $((cx + cw - 3)) $((cy + ch / 2)))" = 191D22 ]
    rig_check "... with their text in white" rig_tool has-colour "$dialog" "$((cx + 20))" "$cy" 100 "$ch" FFFFFF >/dev/null
    rig_check "opened while on: the box is checked" [ "$(field 3267 5)" = 1 ]
    rig_check "opened while on: the controls are enabled" dependents_enabled 1
    before=$(field 3268 5)
    rig_tool click "$dialog" 3268
    rig_tool close "$dialog"
    rig_exit_code 20
    rig_check "the title bar's close saves (exit $RIG_EXIT)" [ "$RIG_EXIT" = 1 ]
    rig_check "... the pause for Battery Saver" [ "$(value DynDisableWhenBatterySaver)" = "0x$((1 - before))" ]
    rig_check "... and Dynamic Boost stays on" [ "$(value DynPwr)" = 0x1 ]
fi
if open_dialog; then
    rig_tool click "$dialog" 2
    rig_exit_code 20
    rig_check "Cancel ends without saving (exit $RIG_EXIT)" [ "$RIG_EXIT" = 2 ]
fi

rig_finish
