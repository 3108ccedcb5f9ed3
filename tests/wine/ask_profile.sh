#!/bin/bash
# The windows the profiles page asks through, under Wine: the text input
# dialog (the prompt, the proposed name selected so that typing replaces it,
# OK and Cancel) pictured light, and the save and open dialogs for profile
# files asked from a thread that is no single-threaded apartment (the dialog
# then runs on a thread of its own). Verdicts come from the controls read
# back from the running dialogs and from what the program printed.
#
#   ask_profile.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" ask_profile || exit 1

ask="$build/ask_profile.exe"
printed() { tr -d '\r' <"$RIG_OUT.out"; }

# ---- The text input dialog.
rig_launch "$ask" text "Name of the new profile:" "Games - fast"
if box=$(rig_wait '#32770|Quellora' 20000); then
    rig_picture "$box" text-input-light
    rig_check "text input: the prompt" [ "$(rig_control_field "$box" 1001 10)" = "Name of the new profile:" ]
    rig_check "text input: the proposed name" [ "$(rig_control_field "$box" 1002 10)" = "Games - fast" ]
    rig_check "text input: OK and Cancel" \
        test "$(rig_controls "$box" | awk -F '\t' '$2 == "Button" { print $1 "=" $10 }' | tr '\n' ' ')" = "1=OK 2=Cancel "
    rig_tool keys "$box" w o r k enter
    rig_exit_code 10
    rig_check "text input: typing replaces the proposal, Enter is OK ($(printed))" [ "$(printed)" = "text work" ]
else
    rig_fail "the text input dialog appears"
fi

rig_launch "$ask" text "New name of the profile:" "Old"
if box=$(rig_wait '#32770|Quellora' 20000); then
    rig_tool keys "$box" escape
    rig_exit_code 10
    rig_check "text input: Escape cancels ($(printed))" [ "$(printed)" = cancel ]
else
    rig_fail "the text input dialog appears again"
fi

# ---- The save and open dialogs.
rig_launch "$ask" save "Shared.json"
if box=$(rig_wait '#32770|*' 20000); then
    names=$(rig_controls "$box" | awk -F '\t' '$2 == "Edit" || $2 == "ComboBox" { print $10 }')
    rig_check "save: the dialog proposes Shared.json ($names)" grep -q '^Shared.json$' <<<"$names"
    rig_tool keys "$box" enter
    rig_exit_code 20
    rig_check "save: the chosen path ends in the proposed name ($(printed))" \
        grep -q '^path .*\\Shared\.json$' <<<"$(printed)"
else
    rig_fail "the save dialog appears"
fi

rig_launch "$ask" open
if box=$(rig_wait '#32770|*' 20000); then
    rig_tool keys "$box" escape
    rig_exit_code 20
    rig_check "open: Escape cancels ($(printed))" [ "$(printed)" = cancel ]
else
    rig_fail "the open dialog appears"
fi

rig_finish
