#!/bin/bash
# The program's message box under Wine, on the simulated machine: its forms
# pictured light and dark (the simulated machine's theme stands in for
# Windows' dark mode, which Wine lacks), the answer remembered by "don't ask
# again", Ctrl+C, and the system box for system-modal errors. Verdicts come
# from the controls, pixels and clipboard read back from the running box.
#
#   message_box.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" message_box || exit 1

show="$build/show_message.exe"
box=

# open_box <style> <text>: shows a box; its handle in $box.
open_box() {
    rig_launch "$show" "$1" "$2"
    box=$(rig_wait '#32770|Quellora' 20000) || { box=; rig_fail "a box for style $1 appears"; return 1; }
}

still_open() { rig_tool exists "$box" 100 >/dev/null; }

# answer_of_launch: what show_message printed.
answer_of_launch() { sed -n 's/^answer \([0-9-]*\).*/\1/p' "$RIG_OUT.out" | tr -d '\r'; }

# Pixels of the message area (left, at the top) and of the button band
# (left of the first button, on its middle line), in client coordinates.
area_pixel() { rig_pixel "$box" 3 3; }
band_pixel() {
    local y
    y=$(rig_controls "$box" | awk -F '\t' '$2 == "Button" && $1 != 5555 { print $7 + int($9 / 2); exit }')
    rig_pixel "$box" 3 "$y"
}

# ---- The forms the program uses, light and dark.
question='Delete the profile "My Gaming"?\nIts file is removed from the Profiles folder.'
for theme in light dark; do
    rig_sim theme $theme
    if open_box 0x40 'The settings were applied to power plan "Balanced".'; then
        rig_picture "$box" information-$theme
        controls=$(rig_controls "$box")
        rig_check "information ($theme): the icon, the text and one OK button" \
            test "$(awk -F '\t' '{ print $1 }' <<<"$controls" | tr '\n' ' ')" = "20481 20482 1 "
        rig_check "information ($theme): OK is labelled OK" [ "$(rig_control_field "$box" 1 10)" = OK ]
        if [ $theme = dark ]; then
            rig_check "information (dark): the message area is dark" [ "$(area_pixel)" = 202020 ]
            rig_check "information (dark): the button band is grey" [ "$(band_pixel)" = 606060 ]
        else
            rig_check "information (light): the message area is in the window colour" [ "$(area_pixel)" = FFFFFF ]
        fi
        rig_tool keys "$box" escape
        rig_exit_code 10
        rig_check "information ($theme): Escape answers OK (exit $RIG_EXIT)" [ "$RIG_EXIT" = 1 ]
    fi

    if open_box 0x10 'The power plan could not be written: access is denied.'; then
        rig_picture "$box" error-$theme
        rig_tool keys "$box" enter
        rig_exit_code 10
        rig_check "error ($theme): Enter presses OK (exit $RIG_EXIT)" [ "$RIG_EXIT" = 1 ]
    fi

    if open_box 0x124 "$question"; then
        rig_picture "$box" yes-no-$theme
        rig_check "yes/no ($theme): Yes and No, no Cancel" \
            test "$(rig_controls "$box" | awk -F '\t' '$2 == "Button" { print $1 "=" $10 }' | tr '\n' ' ')" = "6=&Yes 7=&No "
        rig_tool keys "$box" escape
        sleep 0.3
        rig_check "yes/no ($theme): Escape does not close a box without Cancel" still_open
        rig_tool keys "$box" enter
        rig_exit_code 10
        rig_check "yes/no ($theme): the second button is the default (exit $RIG_EXIT)" [ "$RIG_EXIT" = 7 ]
    fi
done

# ---- "Don't ask me again": ticked on No, the answer is stored and answered at once.
rig_sim theme dark
ask='Taskwarden also switches power plans and may work against Dynamic Boost.\nEnable Dynamic Boost anyway?'
if open_box 0x01000034 "$ask"; then
    rig_picture "$box" check-box-dark
    rig_check "check box: offered unticked" [ "$(rig_control_field "$box" 5555 5)" = 0 ]
    rig_check "check box: labelled" [ "$(rig_control_field "$box" 5555 10)" = "Don't ask me again" ]
    rig_sim theme light
    rig_tool click "$box" 5555
    sleep 0.3
    rig_check "check box: ticked by a click" [ "$(rig_control_field "$box" 5555 5)" = 1 ]
    rig_tool click "$box" 7
    rig_exit_code 10
    rig_check "check box: No answers IDNO with the bit (answer $(answer_of_launch))" [ "$(answer_of_launch)" = 16777223 ]
    stored=$(rig_wine reg query 'HKCU\Software\Quellora\quellora.exe\XMessageBox' | tr -d '\r' | awk '$2 == "REG_DWORD" { print $3 }')
    rig_check "check box: the answer is stored ($stored)" [ "$stored" = 0x1000007 ]

    rig_launch "$show" 0x01000034 "$ask"
    rig_exit_code 10
    rig_check "check box: the next call answers at once (exit $RIG_EXIT, $RIG_ELAPSED ms)" \
        [ "$RIG_EXIT" = 7 ] && [ "$(answer_of_launch)" = 16777223 ]
    rig_check "check box: ... without a window" test -z "$(rig_tool windows '#32770|Quellora')"
fi
if open_box 0x01000034 'A different question is asked again.\nGo on?'; then
    rig_picture "$box" check-box-light
    rig_tool click "$box" 6
    rig_exit_code 10
    rig_check "check box: another text still asks (answer $(answer_of_launch))" [ "$(answer_of_launch)" = 6 ]
fi

# ---- A question whose "don't ask again" keeps only No: a ticked Yes asks again next time.
keep_no='The performance counters do not work.\nRebuild them?'
rig_launch "$show" 0x01000034 "$keep_no" 7
if box=$(rig_wait '#32770|Quellora' 20000); then
    rig_tool click "$box" 5555
    sleep 0.3
    rig_tool click "$box" 6
    rig_exit_code 10
    rig_check "keep-no: a ticked Yes answers Yes (answer $(answer_of_launch))" [ "$(answer_of_launch)" = 16777222 ]
    rig_launch "$show" 0x01000034 "$keep_no" 7
    if box=$(rig_wait '#32770|Quellora' 20000); then
        rig_check "keep-no: ... and is not remembered: the question comes again" true
        rig_tool click "$box" 5555
        sleep 0.3
        rig_tool click "$box" 7
        rig_exit_code 10
        rig_launch "$show" 0x01000034 "$keep_no" 7
        rig_exit_code 10
        rig_check "keep-no: a ticked No is remembered (exit $RIG_EXIT)" [ "$RIG_EXIT" = 7 ] && [ "$(answer_of_launch)" = 16777223 ]
    else
        rig_fail "keep-no: a ticked Yes is not remembered"
    fi
else
    rig_fail "keep-no: the question appears"
fi

# ---- Ctrl+C copies the box as the system box does.
if open_box 0x24 'Line one.\nLine two.'; then
    rig_tool keys "$box" ctrl+c
    sleep 0.2
    expected=$(printf -- '---------------------------\r\nQuellora\r\n---------------------------\r\nLine one.\r\nLine two.\r\n---------------------------\r\nYes   No\r\n' | od -An -c)
    copied=$(rig_tool clipboard | od -An -c)
    if [ "$copied" = "$expected" ]; then
        rig_check "Ctrl+C copies caption, text and buttons" true
    else
        rig_fail "Ctrl+C copies caption, text and buttons" "$copied"
    fi
    rig_tool click "$box" 6
    rig_exit_code 10
fi

# ---- High contrast, or a Windows without the dark-mode functions: never dark.
for case in "high-contrast on" "dark-functions off"; do
    rig_sim theme dark
    rig_sim theme $case
    if open_box 0x40 "Drawn light: $case."; then
        rig_picture "$box" "information-${case// /-}"
        rig_check "$case: the dark theme is not used" [ "$(area_pixel)" = FFFFFF ]
        rig_tool click "$box" 1
        rig_exit_code 10
    fi
    rig_sim theme high-contrast off
    rig_sim theme dark-functions on
done

# ---- An error that is also system-modal is the system's own box.
if open_box 0x1010 'The dump could not be written.'; then
    rig_picture "$box" system-modal-error
    controls=$(rig_controls "$box")
    rig_check "system-modal error: the system box shows the text" \
        grep -q $'\tThe dump could not be written.$' <<<"$controls"
    rig_check "system-modal error: not the program's own box" \
        test -z "$(awk -F '\t' '$1 == 20482' <<<"$controls")"
    rig_tool click "$box" 1
    rig_exit_code 10
    rig_check "system-modal error: OK answers IDOK (exit $RIG_EXIT)" [ "$RIG_EXIT" = 1 ]
fi

rig_finish
