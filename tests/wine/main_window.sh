#!/bin/bash
# The main window under Wine on the simulated machine, started as the whole
# application (/nosystray): its pages and navigation rows, what it remembers
# between starts, the plan editor writing to the simulated machine, the events
# page, and the light and dark look (the simulated machine's theme stands in
# for Windows' dark mode, which Wine lacks). Verdicts come from the controls,
# rows, pixels and registry values read back from the running program.
#
#   main_window.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" main_window || exit 1

exe="$build/quellora.exe"
MAIN='#32770|Quellora – Core*'
BOX='#32770|Quellora'
main=
dash=
pages=()

# open_main: starts the program without the tray; the window in $main, its
# pages (in the order of the page table) in $pages, the dashboard in $dash.
open_main() {
    rig_launch "$exe" /nosystray
    rig_open main "$MAIN" "the main window opens" || return 1
    mapfile -t pages < <(rig_tool children "$main" | awk -F '\t' '$3 == "#32770" { print $1 }')
    dash=${pages[0]:-}
    sleep 0.5
}
# close_main: the title bar's close button; the process ends.
close_main() {
    rig_tool close "$main"
    rig_ended 20
}
rows() { rig_tool rows "$main" 9400; }
selected_row() { rows | awk -F '\t' '$2 == 1 { print $1 }'; }
shown_page() { rig_tool children "$main" | awk -F '\t' '$3 == "#32770" && $4 == 1 { print $1 }'; }
text_of() { rig_control_field "$1" "$2" 10; }
checked() { rig_control_field "$1" "$2" 5; }
visible() { rig_control_field "$1" "$2" 3; }
reg_text() {
    rig_wine reg query 'HKCU\Software\Quellora' /v "$1" 2>/dev/null | tr -d '\r' |
        awk -v n="$1" '$1 == n { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}
# sim_value <plan> <setting> ac|dc: the value on the simulated machine.
sim_value() {
    rig_sim values "$1" "$2" | awk -v side="$(tr a-z A-Z <<<"$3")" '{ for (i = 1; i < NF; ++i) if ($i == side) { print $(i + 1); exit } }'
}
# status_value ac|dc coreParkingMin|minFrequency: class 0 of the active plan, as /status prints it.
status_value() {
    rig_wine "$exe" /status | tr -d '\r' | awk -v side="\"$1\": {" -v map="\"$2\": {" '
        index($0, side) { s = 1 } s && index($0, map) { m = 1; next } m && /"0":/ { gsub(/[^0-9]/, "", $2); print $2; exit }'
}
# type_into <page> <id> <text>: clicks into the field and types over what it holds.
type_into() {
    rig_type "$@"
    sleep 0.3
}
not() { ! "$@"; }
select_row() {
    rig_tool select "$main" 9400 "$1"
    sleep 0.4
}

# ---- A hybrid processor, light: six pages, the editor shows the active plan.
rig_wine reg delete 'HKCU\Software\Quellora' /f >/dev/null 2>&1
rig_sim reset hybrid-laptop >/dev/null
rig_sim theme light
if open_main; then
    rig_picture "$main" dashboard-light
    rig_check "six navigation rows on a hybrid processor" [ "$(rows | wc -l)" = 6 ]
    rig_check "six pages" [ "${#pages[@]}" = 6 ]
    rig_check "the dashboard is shown first" [ "$(selected_row)" = 0 ] && [ "$(shown_page)" = "$dash" ]
    for field in "3103 ac coreParkingMin" "3018 dc coreParkingMin" "3106 ac minFrequency" "3109 dc minFrequency"; do
        set -- $field
        expected=$(status_value "$2" "$3")
        rig_check "field $1 shows what /status says ($expected)" [ "$(text_of "$dash" "$1")" = "$expected" ]
    done
    rig_check "the class list waits for the option" [ "$(visible "$dash" 3224)" = 0 ]
    rig_check "the discard link waits for edits" [ "$(visible "$dash" 9450)" = 0 ]

    names=(dashboard hybrid profiles dynboost events settings)
    for row in 1 2 3 4 5 0; do
        select_row "$row"
        rig_check "row $row shows page ${names[$row]}" [ "$(shown_page)" = "${pages[$row]}" ]
        rig_check "page ${names[$row]} is remembered" [ "$(reg_text MainWindowPage)" = "${names[$row]}" ]
        rig_picture "$main" "page-${names[$row]}-light"
    done
    rig_check "the version is remembered with the page" [ "$(reg_text MainWindowPageVersion)" = 6.0.2.18 ]

    rig_tool post "$main" 0x111 34976 >/dev/null  # Help, About
    if about=$(rig_wait '#32770|About Quellora' 10000); then
        rig_picture "$about" about-light
        rig_check "About shows the version" [ "$(text_of "$about" 1001)" = "Version 6.0.2.18" ]
        rig_tool click "$about" 1
        rig_check "About closes with OK" rig_gone "$about"
    else
        rig_fail "the menu opens About"
    fi

    # Fixed size: neither the maximise command nor a resize changes it.
    before=$(rig_tool rect "$main")
    rig_tool send "$main" 0x112 0xF030 >/dev/null  # WM_SYSCOMMAND SC_MAXIMIZE
    rig_tool send "$main" 0x112 0xF000 >/dev/null  # SC_SIZE
    sleep 0.3
    rig_check "the window cannot be maximised or resized" [ "$(rig_tool rect "$main")" = "$before" ]

    select_row 4
    rig_tool move "$main" 37 45
    sleep 0.2
    close_main
    rig_check "closing the window ends the process (exit $RIG_EXIT)" [ "$RIG_EXIT" = 0 ]
fi

# ---- Reopened on the last page, at the remembered corner.
if open_main; then
    rig_check "reopened on the events page" [ "$(selected_row)" = 4 ] && [ "$(shown_page)" = "${pages[4]}" ]
    rig_check "reopened at the remembered corner" [ "$(rig_tool rect "$main" | cut -f1,2)" = "$(printf '37\t45')" ]
    close_main
fi

# ---- Another version's page, and a placement on a monitor that is gone: the dashboard, centred.
rig_wine reg add 'HKCU\Software\Quellora' /v MainWindowPageVersion /t REG_SZ /d 6.0.2.17 /f >/dev/null
rig_wine reg add 'HKCU\Software\Quellora' /v MainWindowPlacement /t REG_BINARY \
    /d 2c000000000000000100000000000000000000000000000000000000881300006400000008170000d0020000 /f >/dev/null
if open_main; then
    rig_check "another version's page opens the dashboard" [ "$(selected_row)" = 0 ]
    read -r x y w h < <(rig_tool rect "$main")
    rig_check "an off-monitor placement is ignored: centred ($x, $y)" \
        [ $((x - (1280 - w) / 2)) -ge -2 ] && [ $((x - (1280 - w) / 2)) -le 2 ]
    close_main
fi

# ---- The plan editor: pending edits, Apply, presets, refusals.
rig_sim reset hybrid-laptop >/dev/null
if open_main; then
    ac_before=$(sim_value balanced CPMINCORES ac)
    rig_picture "$main" editor-clean-light
    type_into "$dash" 3103 40
    rig_check "typing shows the discard link" [ "$(visible "$dash" 9450)" = 1 ]
    rig_check "typing states the pending floor" [ "$(text_of "$dash" 9437)" = "After Apply: at least 40 % of the cores stay unparked." ]
    rig_check "nothing is written before Apply" [ "$(sim_value balanced CPMINCORES ac)" = "$ac_before" ]
    rig_picture "$main" editor-pending-light
    rig_check "the pending edit and the glow change the picture" \
        not cmp -s "$RIG_PICTURES/editor-clean-light.png" "$RIG_PICTURES/editor-pending-light.png"
    read -r gx gy gw gh < <(rig_controls "$dash" | awk -F '\t' '$1 == 9451 { print $6, $7, $8, $9; exit }')
    # The frame's left edge, half way down: the outermost ring, not the page's colour.
    page_colour=$(rig_pixel "$dash" 2 2)
    rig_check "the frame behind Apply glows" \
        not rig_tool has-colour "$dash" "$gx" $((gy + gh / 2 - 1)) 2 2 "$page_colour" >/dev/null

    rig_tool click "$dash" 3
    sleep 0.5
    rig_check "Apply writes AC 40" [ "$(sim_value balanced CPMINCORES ac)" = 40 ]
    rig_check "... and reloads with the limited choice" [ "$(checked "$dash" 3097)" = 1 ] && [ "$(checked "$dash" 3098)" = 0 ]
    rig_check "... with no edits pending" [ "$(visible "$dash" 9450)" = 0 ]

    type_into "$dash" 3103 100
    rig_tool click "$dash" 3
    sleep 0.5
    rig_check "100 is written" [ "$(sim_value balanced CPMINCORES ac)" = 100 ]
    rig_check "... and reloads with the off choice" [ "$(checked "$dash" 3098)" = 1 ] && [ "$(checked "$dash" 3097)" = 0 ]

    summary=$(text_of "$dash" 9436)
    rig_tool click "$dash" 9406
    sleep 0.3
    rig_check "a preset staged is announced" [ "$(text_of "$dash" 9436)" = "Responsive will be applied." ]
    rig_check "... as a pending edit" [ "$(visible "$dash" 9450)" = 1 ]
    rig_tool click "$dash" 9406
    sleep 0.3
    rig_check "the staged preset clicked again is discarded" \
        [ "$(text_of "$dash" 9436)" = "$summary" ] && [ "$(visible "$dash" 9450)" = 0 ]
    rig_check "... and nothing was written" [ "$(sim_value balanced CPMINCORES ac)" = 100 ]

    rig_sim refuse CPMINCORES ac
    type_into "$dash" 3103 44
    rig_tool click "$dash" 3
    if box=$(rig_wait "$BOX" 10000); then
        message=$(text_of "$box" 20482)
        rig_check "a refused write is reported (1041)" grep -q 'could not be written' <<<"$message"
        rig_check "... with what Windows refused ($message)" grep -q 'refused .* on mains power = 44 (error 5)' <<<"$message"
        rig_picture "$box" refused-light
        rig_tool click "$box" 1
        sleep 0.5
    else
        rig_fail "a refused write is reported"
    fi
    rig_check "the field shows what Windows holds" [ "$(text_of "$dash" 3103)" = 100 ]
    rig_sim allow all

    # Escape with pending edits asks; Yes applies and the window closes.
    type_into "$dash" 3103 33
    rig_tool keys "$main" escape
    if box=$(rig_wait "$BOX" 10000); then
        rig_check "Escape asks about the pending edits (211)" \
            [ "$(text_of "$box" 20482)" = "Your changes have not been applied yet. Apply them now?" ]
        rig_tool click "$box" 6
        rig_ended 20
        rig_check "Yes applies and closes (exit $RIG_EXIT)" [ "$RIG_EXIT" = 0 ] && [ "$(sim_value balanced CPMINCORES ac)" = 33 ]
    else
        rig_fail "Escape asks about the pending edits"
        close_main
    fi
fi
if open_main; then
    type_into "$dash" 3103 22
    close_main
    rig_check "the title bar's close does not ask (exit $RIG_EXIT)" \
        [ "$RIG_EXIT" = 0 ] && [ "$(sim_value balanced CPMINCORES ac)" = 33 ]
fi

# ---- The events page: 120 plan switches by another program, 61 s apart, in
# the System log; drift and Dynamic Boost records from their logs.
rig_sim events clear
rig_sim events history 120 61
logs="$(rig_local_appdata)/Quellora"
mkdir -p "$logs"
{
    printf '\xff\xfe'
    for m in $(seq 0 59); do
        printf '2026-12-03T10:%02d:00Z\tBalanced\t1\t%d\tAC CoreParkingMin[0]: expected 40, found %d\r\n' "$m" $((m % 2)) "$m"
    done | iconv -f UTF-8 -t UTF-16LE
} >"$logs/drift.log"
{
    printf '\xff\xfe'
    printf '2026-12-03T11:00:00Z\t2\tPower saver\r\n2026-12-03T11:05:00Z\t1\tBalanced\r\n' | iconv -f UTF-8 -t UTF-16LE
} >"$logs/dynboost.log"
if open_main; then
    select_row 4
    events=$(rig_tool rows "${pages[4]}" 3279)
    rig_picture "$main" events-light
    rig_check "the newest 50 drift records" [ "$(grep -c 'processor settings of Balanced' <<<"$events")" = 50 ]
    rig_check "... the oldest ten left out" not grep -q 'found 9$' <<<"$events"
    rig_check "... the newest shown" grep -q 'found 59$' <<<"$events"
    rig_check "restored and found drift read differently" \
        grep -q $'Quellora\t.*\tBalanced\t\tQuellora restored the processor settings of Balanced (1 changed): AC CoreParkingMin\[0\]: expected 40, found 59' <<<"$events"
    rig_check "the Dynamic Boost switches" grep -q $'Dynamic Boost\t.*\tPower saver\t\tSwitched to Power saver: no input for the idle time.' <<<"$events"
    switches=$(awk -F '\t' '$3 == "PowerTool.exe"' <<<"$events")
    rig_check "the newest 50 of 120 plan switches" [ "$(wc -l <<<"$switches")" = 50 ]
    rig_check "... each with how long the plan before it stayed" \
        [ "$(awk -F '\t' '$6 == "1m 1s"' <<<"$switches" | wc -l)" = 49 ] && [ -z "$(head -1 <<<"$switches" | cut -f6)" ]
    rig_check "... and the plan it made active" \
        [ "$(cut -f5 <<<"$switches" | sort -u | tr '\n' ,)" = "Balanced,High performance,Power saver," ]
    rig_check "in time order" [ "$(cut -f4 <<<"$events" | sort -c 2>&1 && echo sorted)" = sorted ]
    close_main
fi

# ---- Dark, through the theme stand-in.
rig_sim theme dark
if open_main; then
    select_row 0
    rig_picture "$main" dashboard-dark
    rig_check "the page is dark" [ "$(rig_pixel "$dash" 2 2)" = 191D22 ]
    read -r cx cy cw ch < <(rig_controls "$dash" | awk -F '\t' '$1 == 3206 { print $6, $7, $8, $9; exit }')
    rig_check "the check box is painted dark" [ "$(rig_pixel "$dash" $((cx + cw - 3)) $((cy + ch / 2)))" = 191D22 ]
    rig_check "... with its text in white" rig_tool has-colour "$dash" "$((cx + 20))" "$cy" 200 "$ch" FFFFFF >/dev/null
    # The fields take the dialog's colours (their frames and the drop-down
    # button keep Wine's light style, which has no dark classes).
    read -r ex ey ew eh < <(rig_controls "$dash" | awk -F '\t' '$1 == 3103 { print $6, $7, $8, $9; exit }')
    rig_check "the edit field is dark" [ "$(rig_pixel "$dash" $((ex + ew - 6)) $((ey + eh / 2)))" = 191D22 ]
    read -r bx by bw bh < <(rig_controls "$dash" | awk -F '\t' '$1 == 3101 { print $6, $7, $8, $9; exit }')
    rig_check "the plan list's field is dark" [ "$(rig_pixel "$dash" $((bx + bw - 30)) $((by + bh / 2)))" = 191D22 ]
    read -r lx ly lw lh < <(rig_controls "$dash" | awk -F '\t' '$1 == 3263 { print $6, $7, $8, $9; exit }')
    rig_check "the link is recoloured" rig_tool has-colour "$dash" "$lx" "$ly" "$lw" "$lh" 6CB4FF >/dev/null
    type_into "$dash" 3103 40
    rig_picture "$main" editor-pending-dark
    for row in 1 4; do
        select_row "$row"
        rig_picture "$main" "page-${row}-dark"
    done
    rig_check "the navigation list takes the list colours" rig_tool has-colour "$main" 20 20 30 30 1E1E1E >/dev/null
    rig_tool post "$main" 0x111 34976 >/dev/null
    if about=$(rig_wait '#32770|About Quellora' 10000); then
        rig_picture "$about" about-dark
        rig_check "About is dark" [ "$(rig_pixel "$about" 2 2)" = 191D22 ]
        rig_tool click "$about" 1
        rig_gone "$about"
    else
        rig_fail "the menu opens About in the dark"
    fi
    rig_tool keys "$main" escape
    if box=$(rig_wait "$BOX" 10000); then
        rig_picture "$box" question-dark
        rig_check "the question box is dark" [ "$(rig_pixel "$box" 3 3)" = 202020 ]
        rig_tool click "$box" 7
        rig_ended 20
        rig_check "No closes without writing" [ "$(sim_value balanced CPMINCORES ac)" = 33 ]
    else
        rig_fail "Escape asks in the dark too"
        close_main
    fi
fi
rig_sim theme light

# ---- Switching Windows to dark apps while the window is open re-themes it.
if open_main; then
    select_row 0
    light=$(rig_pixel "$dash" 2 2)
    rig_sim theme dark
    rig_tool setting-change "$main" ImmersiveColorSet
    sleep 0.5
    rig_check "switched to dark while open ($light)" [ "$(rig_pixel "$dash" 2 2)" = 191D22 ]
    read -r lx ly lw lh < <(rig_controls "$dash" | awk -F '\t' '$1 == 3263 { print $6, $7, $8, $9; exit }')
    rig_check "... the link follows" rig_tool has-colour "$dash" "$lx" "$ly" "$lw" "$lh" 6CB4FF >/dev/null
    rig_sim theme light
    rig_tool setting-change "$main" ImmersiveColorSet
    sleep 0.5
    rig_check "... and back to light" [ "$(rig_pixel "$dash" 2 2)" = "$light" ]
    close_main
fi

# ---- One efficiency class: five rows; a remembered "hybrid" page opens the dashboard.
rig_sim layout desktop >/dev/null
rig_wine reg add 'HKCU\Software\Quellora' /v MainWindowPage /t REG_SZ /d hybrid /f >/dev/null
rig_wine reg add 'HKCU\Software\Quellora' /v MainWindowPageVersion /t REG_SZ /d 6.0.2.18 /f >/dev/null
if open_main; then
    rig_picture "$main" one-class-light
    rig_check "five navigation rows on a one-class processor" [ "$(rows | wc -l)" = 5 ]
    rig_check "a remembered hybrid page opens the dashboard" [ "$(selected_row)" = 0 ]
    rig_check "the class list is hidden" [ "$(visible "$dash" 3224)" = 0 ]
    close_main
fi
# The option shows the class list on any processor.
rig_wine reg add 'HKCU\Software\Quellora' /v AlwaysShowEfficiencyClassSelection /t REG_DWORD /d 1 /f >/dev/null
if open_main; then
    rig_check "the option offers the class list" [ "$(visible "$dash" 3224)" = 1 ]
    close_main
fi

# ---- With the system's own theme facts Wine answers "no dark mode": theming
# and painting every kind of control calls no unnamed theme function.
rig_launch "$build/theme_probe.exe"
rig_exit_code 20
rig_check "no unnamed theme function is called under Wine ($(tr -d '\r' <"$RIG_OUT.out"), exit $RIG_EXIT)" \
    [ "$RIG_EXIT" = 0 ] && grep -q 'dark 0 supported 0 unnamed calls 0' "$RIG_OUT.out"

rig_finish
