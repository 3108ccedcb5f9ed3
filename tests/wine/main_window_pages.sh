#!/bin/bash
# The profiles, Dynamic Boost and settings pages of the main window under Wine
# on the simulated machine, started as the whole application: saving, applying,
# renaming, deleting, importing and exporting profiles; Dynamic Boost's
# settings written at once and seen by its runtime; the program's options,
# the language change with its restart, and no-tray mode; the three pages
# light and dark (the simulated machine's theme stands in for Windows' dark
# mode). Verdicts come from the controls, rows, registry values and files read
# back from the running program.
#
#   main_window_pages.sh <build folder> <source folder>
set -u
build=$1
source=$2
# Capture times are stored in UTC and shown in local time: a zone an hour off.
export TZ=Europe/Berlin
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" main_window_pages || exit 1

exe="$build/quellora.exe"
MAIN='#32770|Quellora – Core*'
BOX='#32770|Quellora'
RESTWELL='Global\4becabdf-7b32-482f-ad9e-ef92af1a88c5'
main=
pages=()

open_main() {
    rig_launch "$exe" "$@"
    rig_open main "$MAIN" "the main window opens" || return 1
    mapfile -t pages < <(rig_tool children "$main" | awk -F '\t' '$3 == "#32770" { print $1 }')
    sleep 0.5
}
close_main() {
    rig_tool close "$main"
    rig_ended 20
}
rows_of() { rig_tool rows "$1" "$2"; }
select_page() {
    rig_tool select "$main" 9400 "$1"
    sleep 0.4
}
field() { rig_control_field "$1" "$2" "$3"; }
text_of() { field "$1" "$2" 10; }
checked() { field "$1" "$2" 5; }
enabled() { field "$1" "$2" 4; }
visible() { field "$1" "$2" 3; }
reg_value() {  # reg_value <name> [hive key]: the data of a value (REG_DWORD as 0x..., REG_SZ as text)
    rig_wine reg query "${2:-HKCU\\Software\\Quellora}" /v "$1" 2>/dev/null | tr -d '\r' |
        awk -v n="$1" '$1 == n { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}
# wait_dialog <control id> [ms]: a "Quellora" box or dialog that has this
# control (20482 the message box's text, 1002 the name field); handle in $box.
box=
wait_dialog() {
    local deadline=$(($(date +%s%N) + ${2:-10000} * 1000000)) h
    while [ "$(date +%s%N)" -lt $deadline ]; do
        for h in $(rig_tool windows "$BOX" | awk -F '\t' '$3 == 1 { print $1 }'); do
            if [ -n "$(field "$h" "$1" 1)" ]; then
                box=$h
                return 0
            fi
        done
        sleep 0.1
    done
    box=
    return 1
}
box_text() { text_of "$box" 20482; }
# answer <button>: presses it in $box and waits until the box is gone.
answer() {
    rig_tool click "$box" "$1"
    rig_gone "$box" 5000
    sleep 0.3
}
# no_dialog: no "Quellora" box opens within a second.
no_dialog() { ! wait_dialog 20482 1000 && ! wait_dialog 1002 100; }
# name_dialog <text>: the name question is open; types the text and presses OK.
name_dialog() {
    rig_tool settext "$box" 1002 "$1"
    answer 1
}
# combo_choose <page> <id> <text>: selects the item with this text (as the user would).
combo_choose() {
    local i
    for i in 0 1 2 3 4 5 6 7 8 9; do
        rig_tool select "$1" "$2" "$i" || return 1
        sleep 0.2
        [ "$(text_of "$1" "$2")" = "$3" ] && return 0
    done
    return 1
}
row_named() { rows_of "$pp" 9424 | awk -F '\t' -v n="$1" '$3 == n { print $1; exit }'; }
profiles_folder() { echo "$(rig_local_appdata)/Quellora/Profiles"; }
stored_capture() {  # stored_capture <profile>: its capture time as the file holds it
    sed -n 's/.*"captured": *"\([^"]*\)".*/\1/p' "$(profiles_folder)/$1.json"
}
sim_value() {
    rig_sim values "$1" "$2" | awk -v side="$(tr a-z A-Z <<<"$3")" '{ for (i = 1; i < NF; ++i) if ($i == side) { print $(i + 1); exit } }'
}
# menu_rows: the rows of the open popup menus.
menu_rows() { rig_tool menus | wc -l; }
not() { ! "$@"; }

rig_wine reg delete 'HKCU\Software\Quellora' /f >/dev/null 2>&1
rig_sim reset hybrid-laptop >/dev/null
rig_sim overlay remove all >/dev/null
rig_sim active balanced >/dev/null
rig_sim power ac >/dev/null
rig_sim theme light >/dev/null
rig_sim rename balanced 'Work: fast' >/dev/null

# ---- The profiles page.
if open_main /nosystray; then
    select_page 2
    pp=${pages[2]}
    rig_picture "$main" profiles-empty-light
    rig_check "no profiles: an empty list" [ -z "$(rows_of "$pp" 9424)" ]
    rig_check "the plan box shows the active plan" [ "$(text_of "$pp" 9428)" = "Work: fast" ]
    rig_check "no selection: Apply and Export disabled" [ "$(enabled "$pp" 9430)$(enabled "$pp" 9434)" = 00 ]
    list=$(rig_tool children "$pp" | awk -F '\t' '$2 == 9424 { print $1 }')
    rig_tool post "$pp" 0x7B "$list" 0xFFFFFFFF >/dev/null  # WM_CONTEXTMENU from the keyboard
    sleep 0.5
    rig_check "no selection: no context menu" [ "$(menu_rows)" = 0 ]

    # Save from a plan whose name has a reserved character; an invalid name asks again.
    rig_tool click "$pp" 9429
    if wait_dialog 1002; then
        rig_picture "$box" save-name-light
        rig_check "save proposes the plan's name with \" - \" ($(text_of "$box" 1002))" [ "$(text_of "$box" 1002)" = "Work - fast" ]
        rig_check "... asking 9374" [ "$(text_of "$box" 1001)" = "Name of the new profile:" ]
        name_dialog 'Games|fast'
        if wait_dialog 20482; then
            rig_check "an invalid name is refused with 9384" grep -q '^The profile name is not valid' <<<"$(box_text)"
            answer 1
            if wait_dialog 1002; then
                rig_check "... and asked again with the typed text" [ "$(text_of "$box" 1002)" = "Games|fast" ]
                name_dialog Games
            else
                rig_fail "the name is asked again"
            fi
        else
            rig_fail "an invalid name is refused"
        fi
        if wait_dialog 20482; then
            rig_check "saved: 9381 ($(box_text))" \
                [ "$(box_text)" = 'The settings of power plan "Work: fast" were saved as profile "Games".' ]
            answer 1
        else
            rig_fail "saving tells the user"
        fi
    else
        rig_fail "Save asks for a name"
    fi
    rig_check "the new profile is listed and selected" \
        [ "$(rows_of "$pp" 9424 | cut -f1,2,3,4)" = "$(printf '0\t1\tGames\tWork: fast')" ]
    rig_check "a selection enables Apply and Export" [ "$(enabled "$pp" 9430)$(enabled "$pp" 9434)" = 11 ]
    rig_check "the details name the plan" grep -q '^Taken from power plan "Work: fast" on ' <<<"$(text_of "$pp" 9426)"

    # A second profile from another plan, a moment later: listed first.
    sleep 1.2
    combo_choose "$pp" 9428 "High performance" || rig_fail "the plan box offers High performance"
    rig_tool click "$pp" 9429
    if wait_dialog 1002; then
        rig_check "the proposal follows the chosen plan" [ "$(text_of "$box" 1002)" = "High performance" ]
        name_dialog Second
        wait_dialog 20482 && answer 1
    else
        rig_fail "Save asks for the second name"
    fi
    rows=$(rows_of "$pp" 9424)
    rig_check "newest first ($(cut -f3 <<<"$rows" | tr '\n' ' '))" [ "$(cut -f3 <<<"$rows" | tr '\n' ' ')" = "Second Games " ]
    stored=$(stored_capture Games)
    local_time=$(date -d "$stored" '+%Y-%m-%d %H:%M')
    rig_check "capture times in local time ($stored shown as $(awk -F '\t' '$3 == "Games" { print $5 }' <<<"$rows"))" \
        [ "$(awk -F '\t' '$3 == "Games" { print $5 }' <<<"$rows")" = "$local_time" ]
    rig_check "... an hour after the stored UTC time" [ "$(TZ=UTC date -d "$stored" '+%H')" != "$(date -d "$stored" '+%H')" ]

    # The context menu opens at a selected profile.
    rig_tool select "$pp" 9424 1
    sleep 0.3
    rig_tool post "$pp" 0x7B "$list" 0xFFFFFFFF >/dev/null
    sleep 0.5
    rig_check "a selection: the context menu opens ($(rig_tool menus | cut -f2 | tr '\n' ' '))" [ "$(menu_rows)" -ge 2 ]
    rig_picture desktop context-menu-light
    rig_tool post "$pp" 0x1F >/dev/null  # WM_CANCELMODE ends the menu
    sleep 0.3

    # Apply with 9378 / 9379: the plan gets the profile's values back.
    combo_choose "$pp" 9428 "Work: fast"
    saved=$(sim_value balanced CPMINCORES ac)
    rig_sim set balanced CPMINCORES ac 77 >/dev/null
    rig_tool select "$pp" 9424 1  # Games
    sleep 0.3
    rig_tool click "$pp" 9430
    if wait_dialog 20482; then
        rig_check "apply asks 9378" [ "$(box_text)" = 'Apply profile "Games" to power plan "Work: fast"?' ]
        answer 6
        if wait_dialog 20482; then
            rig_check "applied: 9379" [ "$(box_text)" = 'Profile "Games" applied to power plan "Work: fast".' ]
            answer 1
        else
            rig_fail "applying tells the user"
        fi
    else
        rig_fail "Apply asks first"
    fi
    rig_check "the plan has the profile's value again ($saved)" [ "$(sim_value balanced CPMINCORES ac)" = "$saved" ]

    # A rename that only changes the letter case does nothing.
    rig_tool command "$pp" 9431
    if wait_dialog 1002; then
        rig_check "rename proposes the current name (9375)" \
            [ "$(text_of "$box" 1002)|$(text_of "$box" 1001)" = "Games|New name of the profile:" ]
        name_dialog GAMES
        rig_check "a case-only rename asks nothing" no_dialog
        rig_check "... and changes nothing" [ "$(rows_of "$pp" 9424 | cut -f3 | sort | tr '\n' ' ')" = "Games Second " ]
    else
        rig_fail "Rename asks for a name"
    fi

    # Rename onto an existing name: one step replaces the other profile. (A
    # rename that fails and loses neither profile is the host tests' part:
    # Wine's rename and delete replace or remove even a file another program
    # holds open, so the failure cannot be made here.)
    rig_tool select "$pp" 9424 "$(row_named Second)"
    sleep 0.3
    rig_tool command "$pp" 9431
    if wait_dialog 1002; then
        name_dialog Games
        wait_dialog 20482 && answer 6
        rig_check "rename onto an existing name replaces it (no further message)" no_dialog
    fi
    rows=$(rows_of "$pp" 9424)
    rig_check "one profile left, renamed, from the other plan, selected" \
        [ "$(cut -f2,3,4 <<<"$rows")" = "$(printf '1\tGames\tHigh performance')" ]
    rig_check "... and its file only" [ "$(ls "$(profiles_folder)" | tr '\n' ' ')" = "Games.json " ]

    # Export through the save dialog, delete, import with the replace question.
    exported="$RIG_DIR/Exported.json"
    rig_tool click "$pp" 9434
    if save=$(rig_wait '#32770|Save*' 20000); then
        rig_picture "$save" export-light
        name_field=$(rig_controls "$save" | awk -F '\t' '$2 == "Edit" && $10 == "Games.json" { print $1; exit }')
        rig_check "export proposes Games.json" [ -n "$name_field" ]
        rig_tool settext "$save" "${name_field:-1152}" "$(rig_wine winepath -w "$exported" | tr -d '\r')"
        rig_tool click "$save" 1
        rig_gone "$save" 10000
        sleep 0.5
    else
        rig_fail "Export opens the save dialog"
    fi
    rig_check "the exported file is the profile's" cmp -s "$exported" "$(profiles_folder)/Games.json"
    rig_check "export shows nothing more" no_dialog

    # Import the same profile: the replace question, then 9382.
    rig_tool click "$pp" 9433
    if open=$(rig_wait '#32770|Open*' 20000); then
        name_field=$(rig_controls "$open" | awk -F '\t' '$2 == "Edit" && $3 == 1 { print $1; exit }')
        rig_tool settext "$open" "${name_field:-1152}" "$(rig_wine winepath -w "$exported" | tr -d '\r')"
        rig_tool click "$open" 1
        rig_gone "$open" 10000
        if wait_dialog 20482; then
            rig_check "import of an existing name asks 9376" [ "$(box_text)" = 'A profile named "Games" already exists. Replace it?' ]
            answer 6
            if wait_dialog 20482; then
                rig_check "imported: 9382" [ "$(box_text)" = 'Profile "Games" imported.' ]
                answer 1
            else
                rig_fail "import tells the user"
            fi
        else
            rig_fail "import asks about the existing profile"
        fi
    else
        rig_fail "Import opens the open dialog"
    fi

    # Delete (command 9432, as the context menu and the Delete key give it).
    rig_tool select "$pp" 9424 0
    sleep 0.3
    rig_tool command "$pp" 9432
    if wait_dialog 20482; then
        rig_check "delete asks 9377" [ "$(box_text)" = 'Delete profile "Games"?' ]
        answer 6
    else
        rig_fail "Delete asks first"
    fi
    rig_check "deleted: the list is empty, Apply and Export disabled" \
        [ -z "$(rows_of "$pp" 9424)" ] && [ "$(enabled "$pp" 9430)$(enabled "$pp" 9434)" = 00 ]
    rig_check "... and the file gone" [ ! -e "$(profiles_folder)/Games.json" ]

    # Imported again: a new profile, no question.
    rig_tool click "$pp" 9433
    if open=$(rig_wait '#32770|Open*' 20000); then
        name_field=$(rig_controls "$open" | awk -F '\t' '$2 == "Edit" && $3 == 1 { print $1; exit }')
        rig_tool settext "$open" "${name_field:-1152}" "$(rig_wine winepath -w "$exported" | tr -d '\r')"
        rig_tool click "$open" 1
        rig_gone "$open" 10000
        if wait_dialog 20482; then
            rig_check "a new profile imports without a question" [ "$(box_text)" = 'Profile "Games" imported.' ]
            answer 1
        fi
    fi
    rig_check "... listed and selected" [ "$(rows_of "$pp" 9424 | cut -f2,3)" = "$(printf '1\tGames')" ]
    rig_picture "$main" profiles-light
    close_main
fi

# ---- The Dynamic Boost page.
rig_sim event "$RESTWELL" off >/dev/null
rig_sim idle 5 >/dev/null
if open_main /nosystray; then
    select_page 3
    bp=${pages[3]}
    rig_check "off: the box unchecked, the status 9370" \
        [ "$(checked "$bp" 3204)|$(text_of "$bp" 9411)" = "0|Dynamic Boost is off." ]
    rig_check "off: the settings disabled" [ "$(for id in 3202 3203 3134 9459 3268 9462 9460 9461; do enabled "$bp" $id; done | tr -d '\n')" = 00000000 ]
    rig_check "the note ends with 9548" grep -q 'Quellora switches plans only while it is running.$' <<<"$(text_of "$bp" 9422)"
    rig_tool click "$bp" 3204
    sleep 0.5
    rig_check "on: stored" [ "$(reg_value DynPwr)" = 0x1 ]
    rig_check "on: the settings enabled, the battery plans not yet" \
        [ "$(for id in 3202 3203 3134 9459 3268 9462 9460 9461; do enabled "$bp" $id; done | tr -d '\n')" = 11111100 ]
    status_on=$(text_of "$bp" 9411)
    rig_check "on: the runtime's status line ($status_on)" [ -n "$status_on" ] && [ "$status_on" != "Dynamic Boost is off." ]
    rig_tool select "$bp" 9459 1
    sleep 0.2
    rig_check "battery mode 1 enables 9460 and 9461 at once" [ "$(enabled "$bp" 9460)$(enabled "$bp" 9461)" = 11 ]
    rig_check "... stored" [ "$(reg_value DynDCMode)" = 0x1 ]
    rig_picture "$main" dynboost-light

    # Paused on battery: the registry and the status line.
    rig_sim power dc >/dev/null
    rig_tool select "$bp" 9459 2
    sleep 0.2
    rig_check "battery mode 2 disables them again" [ "$(enabled "$bp" 9460)$(enabled "$bp" 9461)" = 00 ]
    rig_check "... stored" [ "$(reg_value DynDCMode)" = 0x2 ]
    deadline=$((SECONDS + 10))
    until [ "$(text_of "$bp" 9411)" != "$status_on" ] || [ $SECONDS -ge $deadline ]; do sleep 0.3; done
    rig_check "the runtime's status line follows ($(text_of "$bp" 9411))" [ "$(text_of "$bp" 9411)" != "$status_on" ]
    rig_sim power ac >/dev/null

    # The in-use plan: its GUID stored at once.
    combo_choose "$bp" 3202 "Power saver"
    rig_check "the in-use plan is stored as its GUID ($(reg_value BoostActive))" \
        [ "$(reg_value BoostActive)" = 081384A14135AB4FBC81F71556F20B4A ]

    # "0" then leaving the field: 1336 and the stored seconds come back.
    stored_seconds=$(text_of "$bp" 3134)
    rig_tool settext "$bp" 3134 45
    sleep 0.3
    rig_check "45 seconds stored at once" [ "$(reg_value IdleSecs)" = 0x2d ]
    rig_tool settext "$bp" 3134 0
    sleep 0.3
    rig_check "0 is not stored" [ "$(reg_value IdleSecs)" = 0x2d ]
    rig_tool post "$bp" 0x111 $((3134 | (0x200 << 16))) >/dev/null  # EN_KILLFOCUS
    if wait_dialog 20482; then
        rig_check "leaving the field with 0: 1336" [ "$(box_text)" = "Enter the idle time as a number of seconds above 0." ]
        answer 1
    else
        rig_fail "leaving the field with 0 reports 1336"
    fi
    rig_check "the stored seconds come back (45, before $stored_seconds)" [ "$(text_of "$bp" 3134)" = 45 ]

    # The conflicts link opens 9492.
    mkdir -p "$WINEPREFIX/drive_c/twconfig"
    printf 'LoadBasedPowerSwitcherEnabled=true\r\n' >"$WINEPREFIX/drive_c/twconfig/twarden.ini"
    rig_wine reg add 'HKLM\Software\Taskwarden' /v Install_Dir /t REG_SZ /d 'C:\Taskwarden' /f >/dev/null
    rig_wine reg add 'HKLM\Software\Taskwarden' /v ConfigFolderEx /t REG_SZ /d 'C:\twconfig' /f >/dev/null
    deadline=$((SECONDS + 15))
    until [ "$(visible "$bp" 9466)" = 1 ] || [ $SECONDS -ge $deadline ]; do sleep 0.5; done
    rig_check "the conflicts link shows" [ "$(visible "$bp" 9466)" = 1 ]
    read -r lx ly lw lh < <(rig_controls "$bp" | awk -F '\t' '$1 == 9466 { print $6, $7, $8, $9; exit }')
    # A real click (a link takes no button message); once more should the
    # window not have been in front for the first.
    for attempt in 1 2 3; do
        rig_tool mouse "$bp" $((lx + 20)) $((ly + lh / 2))
        wait_dialog 20482 4000 && break
    done
    if [ -n "$box" ]; then
        rig_check "the link opens 9492" grep -q '^These Taskwarden settings also switch power plans' <<<"$(box_text)"
        rig_picture "$box" conflicts-light
        answer 1
    else
        rig_fail "the conflicts link opens the list"
    fi
    rm -rf "$WINEPREFIX/drive_c/twconfig"
    rig_wine reg delete 'HKLM\Software\Taskwarden' /f >/dev/null

    # Off, then on while Restwell runs: 695, and it stays off.
    rig_tool click "$bp" 3204
    sleep 0.5
    rig_check "off again: stored" [ "$(reg_value DynPwr)" = 0x0 ]
    rig_sim event "$RESTWELL" on >/dev/null
    rig_tool click "$bp" 3204
    if wait_dialog 20482; then
        rig_check "Restwell: 695" grep -q "^Taskwarden's Restwell is active" <<<"$(box_text)"
        answer 1
    else
        rig_fail "Restwell: a message appears"
    fi
    sleep 1.5
    rig_check "Restwell: the box is unchecked again, nothing stored" [ "$(checked "$bp" 3204)|$(reg_value DynPwr)" = "0|0x0" ]
    rig_sim event "$RESTWELL" off >/dev/null
    close_main
fi

# ---- The settings page in no-tray mode: the drift option, the options
# expanded, the notifications value created, the logon and language disabled.
rig_wine reg add 'HKCU\Software\Quellora' /v DriftProtection /t REG_DWORD /d 1 /f >/dev/null
rig_wine reg add 'HKCU\Software\Quellora' /v AlwaysShowEfficiencyClassSelection /t REG_DWORD /d 1 /f >/dev/null
rig_wine reg delete 'HKCU\Software\Quellora' /v ShowPowerPlanNotifications /f >/dev/null 2>&1
if open_main /nosystray; then
    select_page 5
    sp=${pages[5]}
    rig_picture "$main" settings-light
    rig_check "DriftProtection 1 shows unchecked" [ "$(checked "$sp" 9435)" = 0 ]
    rig_tool click "$sp" 9435
    sleep 0.3
    rig_check "checking stores 2" [ "$(reg_value DriftProtection)" = 0x2 ]
    rig_tool click "$sp" 9435
    sleep 0.3
    rig_check "unchecking stores 0" [ "$(reg_value DriftProtection)" = 0x0 ]
    rig_check "the notifications value was created as 1, checked" \
        [ "$(reg_value ShowPowerPlanNotifications)|$(checked "$sp" 3205)" = "0x1|1" ]
    rig_check "more options expanded" \
        [ "$(visible "$sp" 9438)$(visible "$sp" 9439)$(visible "$sp" 9417)$(visible "$sp" 9418)" = 0111 ]
    rig_check "... the option checked" [ "$(checked "$sp" 9418)" = 1 ]
    rig_check "no-tray mode disables 9413 and 9602" [ "$(enabled "$sp" 9413)$(enabled "$sp" 9602)" = 00 ]
    close_main
fi

# ---- With the tray: the notifications value created at load, the logon
# task, the language change asking 9603 and restarting in German.
rig_wine reg delete 'HKCU\Software\Quellora' /v AlwaysShowEfficiencyClassSelection /f >/dev/null 2>&1
rig_sim scheduler normal >/dev/null
if open_main; then
    select_page 5
    sp=${pages[5]}
    rig_check "the more options wait for the link" \
        [ "$(visible "$sp" 9438)$(visible "$sp" 9439)$(visible "$sp" 9417)$(visible "$sp" 9418)" = 1000 ]
    rig_check "with the tray 9413 and 9602 are enabled" [ "$(enabled "$sp" 9413)$(enabled "$sp" 9602)" = 11 ]
    rig_check "the language list: English, chosen" [ "$(text_of "$sp" 9602)" = English ]
    rig_wine reg delete 'HKCU\Software\Quellora' /v ShowPowerPlanNotifications /f >/dev/null 2>&1
    was=$(checked "$sp" 9413)
    rig_tool click "$sp" 9413  # the logon option loads the page again
    sleep 1
    rig_check "a missing notifications value is created as 1 at load" [ "$(reg_value ShowPowerPlanNotifications)" = 0x1 ]
    rig_check "the logon option turned ($was)" [ "$(checked "$sp" 9413)" != "$was" ]
    rig_tool select "$sp" 9602 0
    rig_check "choosing the language in use asks nothing" no_dialog
    old_pid=$RIG_PID
    rig_tool select "$sp" 9602 1
    if wait_dialog 20482; then
        rig_check "another language asks 9603" [ "$(box_text)" = "Quellora has to restart to show the new language. Restart now?" ]
        rig_check "... stored first" [ "$(reg_value Language)|$(reg_value InstallerLanguage)" = "0x407|1031" ]
        answer 6
        rig_exit_code 20 "$old_pid"
        rig_check "Yes ends this process ($RIG_EXIT)" [ "$RIG_EXIT" != timeout ]
        rig_check "... and starts a new one with /restart" grep -q 'quellora\.exe.* /restart' <<<"$(ps -eo args)"
        if german=$(rig_wait '#32770|Quellora – *' 30000); then
            main=$german
            mapfile -t pages < <(rig_tool children "$main" | awk -F '\t' '$3 == "#32770" { print $1 }')
            sleep 0.5
            rig_check "the restarted window is German" grep -q 'Einstellungen' <<<"$(rig_tool rows "$main" 9400)"
            select_page 3
            bp=${pages[3]}
            rig_picture "$main" dynboost-german
            rig_check "German page texts" [ "$(text_of "$bp" 3204)" = "Energiepläne nach Nutzung und Leerlauf &wechseln (Dynamic Boost)" ]
            rig_check "... with English where German lacks a text (9548)" \
                grep -q '^Dynamic Boost wechselt .* Quellora switches plans only while it is running.$' <<<"$(text_of "$bp" 9422)"
        else
            rig_fail "the program restarts with its main window"
        fi
    else
        rig_fail "another language asks first"
    fi
    rig_wine "$exe" /terminate >/dev/null 2>&1
fi
rig_wine reg add 'HKCU\Software\Quellora' /v Language /t REG_DWORD /d 0x409 /f >/dev/null
rig_wine reg add 'HKCU\Software\Quellora' /v InstallerLanguageDWORD /t REG_DWORD /d 0x409 /f >/dev/null
rig_wine reg add 'HKCU\Software\Quellora' /v InstallerLanguage /t REG_SZ /d 1033 /f >/dev/null

# ---- Dark, through the theme stand-in.
rig_sim theme dark >/dev/null
if open_main /nosystray; then
    for row in 2 3 5; do
        select_page "$row"
        case $row in 2) name=profiles ;; 3) name=dynboost ;; 5) name=settings ;; esac
        rig_picture "$main" "$name-dark"
        page_width=$(rig_tool rect "${pages[$row]}" | cut -f3)
        rig_check "page $name is dark" [ "$(rig_pixel "${pages[$row]}" $((page_width - 3)) 2)" = 191D22 ]
    done
    read -r lx ly lw lh < <(rig_controls "${pages[2]}" | awk -F '\t' '$1 == 9424 { print $6, $7, $8, $9; exit }')
    select_page 2
    rig_check "the profiles list is dark" [ "$(rig_pixel "${pages[2]}" $((lx + lw / 2)) $((ly + lh - 6)))" != FFFFFF ]
    close_main
fi
rig_sim theme light >/dev/null

rig_finish
