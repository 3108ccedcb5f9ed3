#!/bin/bash
# The classic dialog ("/classic") under Wine on the simulated machine: started
# as the whole application (/classic /nosystray) and from the tray (/classic);
# the details button, a preset for battery alone, Cancel with unapplied
# changes, the menu's plan history and plan submenu, the light and dark look,
# and that the main window never opens beside it. Every state the checks rely
# on is set through quellora-sim first; verdicts come from the controls, rows,
# pixels and plan values read back.
#
#   classic_dialog.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" classic_dialog || exit 1

exe="$build/quellora.exe"
# The classic dialog and the main window share their title; the classic
# dialog carries the details button, the main window its navigation list.
WINDOW='#32770|Quellora – Core*'
BOX='#32770|Quellora'
HISTORY='#32770|Power plan history'
TRAY='WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}|WndName-{7298c6b8-835f-4234-8054-49925ccd4038}'
classic=

text_of() { rig_control_field "$1" "$2" 10; }
visible() { rig_control_field "$1" "$2" 3; }
checked() { rig_control_field "$1" "$2" 5; }
exists() { rig_tool exists "$1" 100 >/dev/null; }
has_control() { [ -n "$(rig_control_field "$1" "$2" 1)" ]; }
# sim_value <plan> <setting> ac|dc: the value on the simulated machine.
sim_value() {
    rig_sim values "$1" "$2" | tr -d '\r' | awk -v side="$(tr a-z A-Z <<<"$3")" '{ for (i = 1; i < NF; ++i) if ($i == side) { print $(i + 1); exit } }'
}
active_plan() { rig_sim active | tr -d '\r' | sed 's/^[^ ]*  *//'; }
# The program's windows with the main window's title that are shown.
shown_windows() { rig_tool windows "$WINDOW" | awk -F '\t' '$3 == 1 { print $1 }'; }
is_classic() { has_control "$1" 3110 && ! has_control "$1" 9400; }
# wait_for <seconds> <command...>: until the command succeeds.
wait_for() {
    local limit=$(($(date +%s) + $1))
    shift
    until "$@"; do
        [ "$(date +%s)" -ge $limit ] && return 1
        sleep 0.2
    done
}
text_is() { [ "$(text_of "$1" "$2")" = "$3" ]; }

# open_classic [arguments]: starts the program with "/classic /nosystray"; the dialog in $classic.
open_classic() {
    rig_launch "$exe" /classic /nosystray
    rig_open classic "$WINDOW" "the classic dialog opens" || return 1
    # The opening ends with the details shown.
    wait_for 10 text_is "$classic" 3110 "Hide &details"
}
close_classic() {
    rig_tool close "$classic"
    rig_ended 20
}
# The machine each part starts from: a hybrid laptop on mains, Balanced active,
# Balanced's parking floor and performance check the same on both sides.
machine() {
    rig_sim reset hybrid-laptop >/dev/null
    rig_sim power ac >/dev/null
    rig_sim active balanced >/dev/null
    rig_sim set balanced CPMINCORES both 50 >/dev/null
    rig_sim set balanced PERFCHECK both 30 >/dev/null
}

rig_wine reg delete 'HKCU\Software\Quellora' /f >/dev/null 2>&1
machine
rig_sim theme light

# ---- "/classic /nosystray": the details, a preset for battery alone, Cancel.
if open_classic; then
    rig_picture "$classic" nosystray-light
    rig_check "the classic dialog opens, not the main window" is_classic "$classic"
    rig_check "... the only one shown" [ "$(shown_windows | wc -l)" = 1 ]
    rig_check "it opens with the details shown (1321)" [ "$(visible "$classic" 3103)" = 1 ] && \
        [ "$(visible "$classic" 3262)" = 1 ] && [ "$(visible "$classic" 3275)" = 1 ]
    rig_check "the preset lists offer the four presets" [ "$(text_of "$classic" 3412)" != "" ]
    rig_check "the fields show the plan (50)" [ "$(text_of "$classic" 3103)" = 50 ] && [ "$(text_of "$classic" 3018)" = 50 ]

    rig_tool click "$classic" 3110
    rig_check "3110 hides the details and says 1322" wait_for 5 text_is "$classic" 3110 "Show &details"
    hidden=1
    for id in 3103 3018 3106 3109 3259 3260 3261 3262 3275 3276 3283 3284 3285 3286; do
        [ "$(visible "$classic" $id)" = 0 ] || hidden=0
    done
    rig_check "... every detail control and policy list hidden" [ $hidden = 1 ]
    rig_picture "$classic" details-hidden-light
    rig_tool click "$classic" 3110
    rig_check "3110 again shows them and says 1321" wait_for 5 text_is "$classic" 3110 "Hide &details"
    rig_check "... the fields and the policy lists back" [ "$(visible "$classic" 3106)" = 1 ] && [ "$(visible "$classic" 3286)" = 1 ]

    # Responsive for battery alone: pending until Apply, then DC only.
    rig_tool select "$classic" 3412 1
    sleep 0.3
    rig_check "choosing a preset writes nothing yet" [ "$(sim_value balanced CPMINCORES dc)" = 50 ]
    rig_tool click "$classic" 2
    if box=$(rig_wait "$BOX" 10000); then
        rig_picture "$box" cancel-question-light
        rig_check "Cancel with a pending preset asks (211)" \
            [ "$(text_of "$box" 20482)" = "Your changes have not been applied yet. Apply them now?" ]
        rig_tool click "$box" 6
        rig_gone "$box" 10000
        sleep 0.5
        rig_check "Yes applies the preset on battery (parking floor 100)" [ "$(sim_value balanced CPMINCORES dc)" = 100 ]
        rig_check "... and its performance check (15 ms)" [ "$(sim_value balanced PERFCHECK dc)" = 15 ]
        rig_check "... mains untouched (50, 30)" \
            [ "$(sim_value balanced CPMINCORES ac)" = 50 ] && [ "$(sim_value balanced PERFCHECK ac)" = 30 ]
        rig_check "... and the dialog stays open" exists "$classic"
        rig_check "... showing what was written" wait_for 5 text_is "$classic" 3018 100
    else
        rig_fail "Cancel with a pending preset asks"
    fi

    # Power-Saver for battery, then Cancel and No: closes, nothing written.
    rig_tool select "$classic" 3412 3
    sleep 0.3
    rig_tool click "$classic" 2
    if box=$(rig_wait "$BOX" 10000); then
        rig_tool click "$box" 7
        rig_ended 20
        rig_check "No closes the dialog and ends the program (exit $RIG_EXIT)" [ "$RIG_EXIT" = 0 ]
        rig_check "... without writing" [ "$(sim_value balanced CPMINCORES dc)" = 100 ] && \
            [ "$(sim_value balanced PERFCHECK dc)" = 15 ]
    else
        rig_fail "Cancel asks again"
        close_classic
    fi
fi

# ---- The menu: the plan change history and the plan submenu.
machine
rig_sim events clear
rig_sim events history 5 61
if open_classic; then
    # 3136 shows whether Windows' Power Options list the parking floor, and changes it.
    visible_before=$(checked "$classic" 3136)
    rig_tool click "$classic" 3136
    sleep 0.3
    rig_check "3136 toggles ($visible_before)" [ "$(checked "$classic" 3136)" = $((1 - visible_before)) ]

    rig_tool post "$classic" 0x111 34966 >/dev/null
    if history=$(rig_wait "$HISTORY" 10000); then
        rig_picture "$history" history-light
        rows=$(rig_tool rows "$history" 3279)
        rig_check "34966 lists the machine's five plan changes" \
            [ "$(awk -F '\t' '$3 == "PowerTool.exe"' <<<"$rows" | wc -l)" = 5 ]
        rig_check "... and nothing else" [ "$(wc -l <<<"$rows")" = 5 ]
        rig_check "... with the plans they made active" \
            [ "$(cut -f5 <<<"$rows" | sort -u | tr '\n' ,)" = "Balanced,High performance,Power saver," ]
        rig_tool click "$history" 1
        rig_check "OK closes the history" rig_gone "$history"
    else
        rig_fail "34966 opens the plan change history"
    fi

    # The plan submenu is built when the menu opens; each item switches plans.
    before=$(active_plan)
    switched=
    for i in 0 1 2 3 4 5 6 7; do
        rig_tool send "$classic" 0x116 0 >/dev/null  # WM_INITMENU: the menu opens
        rig_tool post "$classic" 0x111 $((37000 + i)) >/dev/null
        sleep 0.5
        now=$(active_plan)
        if [ "$now" != "$before" ]; then
            switched=$now
            break
        fi
    done
    rig_check "an item of the plan submenu switches plans ($before → $switched)" [ -n "$switched" ]
    if [ -n "$switched" ]; then
        rig_check "... and the status area names the new plan" wait_for 5 text_is "$classic" 3148 "$switched"
    fi
    rig_sim active balanced >/dev/null
    rig_tool post "$classic" 0x111 40072 >/dev/null  # Close window
    rig_ended 20
    rig_check "the menu's Close ends the program without a tray (exit $RIG_EXIT)" [ "$RIG_EXIT" = 0 ]
fi
if open_classic; then
    rig_check "at the next opening 3136 shows the setting as it now stands" \
        [ "$(checked "$classic" 3136)" = $((1 - visible_before)) ]
    close_classic
fi

# ---- Dark, through the theme stand-in.
machine
rig_sim events history 5 61
rig_sim theme dark
if open_classic; then
    sleep 1
    rig_picture "$classic" nosystray-dark
    rig_check "the dialog is dark" [ "$(rig_pixel "$classic" 2 2)" = 191D22 ]
    read -r cx cy cw ch < <(rig_controls "$classic" | awk -F '\t' '$1 == 3205 { print $6, $7, $8, $9; exit }')
    white() { rig_tool has-colour "$classic" "$((cx + 20))" "$cy" 200 "$ch" FFFFFF >/dev/null; }
    rig_check "... its check boxes' texts in white" white
    rig_tool post "$classic" 0x111 34966 >/dev/null
    if history=$(rig_wait "$HISTORY" 10000); then
        rig_picture "$history" history-dark
        rig_check "the history is dark" [ "$(rig_pixel "$history" 2 2)" = 191D22 ]
        rig_tool click "$history" 1
        rig_gone "$history"
    else
        rig_fail "the history opens in the dark"
    fi
    close_classic
    rig_check "the title bar's close ends it (exit $RIG_EXIT)" [ "$RIG_EXIT" = 0 ]
fi
rig_sim theme light

# ---- German: the German template, with the German texts of the details button.
machine
rig_wine reg add 'HKCU\Software\Quellora' /v Language /t REG_DWORD /d 1031 /f >/dev/null
rig_launch "$exe" /classic /nosystray
if classic=$(rig_wait "$WINDOW" 30000) && wait_for 10 text_is "$classic" 3110 "&Details ausblenden"; then
    rig_picture "$classic" nosystray-german-light
    rig_check "German: the details button says 1321 in German" true
    rig_tool click "$classic" 3110
    rig_check "... and 1322 once they are hidden" wait_for 5 text_is "$classic" 3110 "&Details einblenden"
    close_classic
else
    rig_fail "the classic dialog opens in German"
    [ -n "$classic" ] && close_classic
fi
# English again for the rest (the program stored its language for both hives).
rig_wine reg delete 'HKCU\Software\Quellora' /f >/dev/null 2>&1
rig_wine reg add 'HKLM\Software\Quellora' /v Language /t REG_DWORD /d 1033 /f >/dev/null

# ---- "/classic" from the tray: the tray opens the classic dialog, never the main window.
machine
rig_launch "$exe" /classic
tray_pid=$RIG_PID
if ! tray=$(rig_tool exists "$TRAY" 30000); then
    rig_fail "the program runs in the notification area"
else
    if classic=$(rig_wait "$WINDOW" 30000) && wait_for 10 text_is "$classic" 3110 "Hide &details"; then
        rig_picture "$classic" tray-light
        rig_check "the tray opens the classic dialog at the start" is_classic "$classic"
        rig_check "... on a thread of its own" \
            [ "$(rig_tool state "$classic" | cut -f1)" != "$(rig_tool state "$tray" | cut -f1)" ]
        rig_tool post "$tray" 0x401 0 514 >/dev/null  # a click on the icon
        sleep 1
        rig_check "a click on the icon opens no second window" [ "$(shown_windows)" = "$classic" ]
        # A second start hands over to the running instance, which brings its window forward.
        rig_launch "$exe"
        second=$RIG_PID
        rig_exit_code 30 "$second"
        rig_check "a second start hands over (exit $RIG_EXIT)" [ "$RIG_EXIT" = 0 ]
        sleep 1
        rig_check "... and no main window opens beside the classic dialog" [ "$(shown_windows)" = "$classic" ]

        rig_sim theme dark
        rig_tool setting-change "$classic" ImmersiveColorSet
        sleep 0.5
        rig_picture "$classic" tray-dark
        rig_check "switched to dark while open" [ "$(rig_pixel "$classic" 2 2)" = 191D22 ]
        rig_sim theme light
        rig_tool setting-change "$classic" ImmersiveColorSet

        # The tray's reopen command: the classic dialog again.
        rig_tool send "$tray" 0x111 34937 >/dev/null
        if rig_gone "$classic" 10000 && reopened=$(rig_wait "$WINDOW" 20000) && wait_for 10 text_is "$reopened" 3110 "Hide &details"; then
            rig_check "34937 reopens the classic dialog" is_classic "$reopened" && [ "$(shown_windows)" = "$reopened" ]
            classic=$reopened
        else
            rig_fail "34937 reopens the classic dialog"
        fi
        rig_tool close "$classic"
        rig_gone "$classic" 10000
        rig_check "closing it leaves the program in the notification area" exists "$tray"
        rig_check "... with no window shown" [ -z "$(shown_windows)" ]
    else
        rig_fail "the tray opens the classic dialog at the start"
    fi
    rig_tool post "$tray" 0x111 105 >/dev/null  # Exit
fi
rig_exit_code 20 "$tray_pid"
rig_check "the tray's Exit ends the program (exit $RIG_EXIT)" [ "$RIG_EXIT" = 0 ]

rig_finish
