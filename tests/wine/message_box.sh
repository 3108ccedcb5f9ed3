#!/bin/bash
# The program's message box under Wine, on the simulated machine: its forms
# pictured light and dark (through the simulated machine's theme), the answer
# remembered by "don't ask again", Ctrl+C, and the system box for system-modal
# errors. Verdicts come from the controls read back from the running box.
#
#   message_box.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" message_box || exit 1

show="$build/show_message.exe"

# An error that is also system-modal is the system's own box.
rig_launch "$show" 0x1010 'The dump could not be written.'
if box=$(rig_wait '#32770|Quellora' 20000); then
    rig_picture "$box" system-modal-error
    controls=$(rig_controls "$box")
    rig_check "system-modal error: the system box shows the text" \
        grep -q $'\tThe dump could not be written.$' <<<"$controls"
    rig_check "system-modal error: not the program's own box" \
        test -z "$(awk -F '\t' '$1 == 20482' <<<"$controls")"
    rig_tool click "$box" 1
    rig_exit_code 10
    rig_check "system-modal error: OK answers IDOK (exit $RIG_EXIT)" [ "$RIG_EXIT" = 1 ]
else
    rig_fail "system-modal error: a box appears"
fi

rig_finish
