#!/bin/bash
# The real Windows build's dashboard under Wine, whose performance counters
# refuse the "Processor Information" object: the question about rebuilding
# the counters comes once per process with its "don't ask again" box; a
# ticked No is kept and never asked again; a start with /restart does not ask;
# a ticked Yes is not kept (it would rebuild and restart at every start); the
# graph stays empty and nothing crashes.
#
#   dashboard_real_build.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" dashboard_real_build || exit 1

app="$WINEPREFIX/drive_c/Program Files/Quellora"
mkdir -p "$app"
cp "$build/quellora.exe" "$build"/tw_rsrc_*.dll "$app/"
exe='C:\Program Files\Quellora\quellora.exe'
MAIN='#32770|Quellora – Core*'
BOX='#32770|Quellora'
question='performance counters'
main=

# question_box [ms]: the handle of the counters question, when it shows.
question_box() {
    local limit=${1:-15000} waited=0 handle
    while [ $waited -lt "$limit" ]; do
        for handle in $(rig_tool windows "$BOX" | awk -F '\t' '$3 == 1 { print $1 }'); do
            if rig_control_field "$handle" 20482 10 | grep -q "$question"; then
                echo "$handle"
                return 0
            fi
        done
        sleep 0.25
        waited=$((waited + 250))
    done
    return 1
}
not_asked_within() { ! question_box "$1" >/dev/null; }
# tick <box>: ticks "don't ask again" and waits until the box shows it ticked.
tick() {
    local waited=0
    rig_tool click "$1" 5555 >/dev/null
    while [ $waited -lt 5000 ]; do
        [ "$(rig_control_field "$1" 5555 5)" = 1 ] && return 0
        sleep 0.1
        waited=$((waited + 100))
    done
    return 1
}
start() {
    rig_launch "$exe" "$@"
    rig_open main "$MAIN" "the main window opens ($*)" || return 1
}
stop() {
    rig_wine "$exe" /terminate >/dev/null
    rig_ended 20
}
remembered() {
    rig_wine reg query 'HKCU\Software\Quellora\quellora.exe\XMessageBox' 2>/dev/null | tr -d '\r' | awk '$2 == "REG_DWORD" { print $3 }'
}

# ---- The first start asks, with the check box; a ticked No is kept.
if start; then
    if box=$(question_box); then
        rig_picture "$box" counters-question
        rig_check "the question offers 'don't ask again'" [ "$(rig_control_field "$box" 5555 3)" = 1 ]
        rig_check "the box shows 'don't ask again' ticked" tick "$box"
        rig_tool click "$box" 7 >/dev/null
        rig_check "No closes the question" rig_gone "$box" 5000
        rig_check "No keeps the program running" rig_tool exists "$main" 1000
        rig_check "no second question in the same process" not_asked_within 4000
        dash=$(rig_tool children "$main" | awk -F '\t' '$3 == "#32770" { print $1; exit }')
        bars=$(rig_controls "$dash" | awk -F '\t' '$2 == "msctls_progress32"' | wc -l)
        rig_check "the graph has its bars ($bars)" [ "$bars" -gt 0 ]
        rig_check "... no count of unparked processors without counters" [ -z "$(rig_control_field "$dash" 3159 10)" ]
        rig_picture "$main" dashboard-without-counters
        rig_check "a ticked No is kept ($(remembered))" [ "$(remembered)" = 0x1000007 ]
    else
        rig_fail "the first start asks about the counters"
    fi
    stop
fi

# ---- The kept No: never asked again.
if start; then
    rig_check "a kept No: the next start does not ask" not_asked_within 8000
    stop
fi

# ---- Without the kept answer: a start with /restart does not ask either.
rig_wine reg delete 'HKCU\Software\Quellora\quellora.exe\XMessageBox' /f >/dev/null 2>&1
if start /restart; then
    rig_check "a start with /restart does not ask" not_asked_within 8000
    stop
fi

# ---- A ticked Yes rebuilds and restarts, and is not kept: the next plain start asks again.
if start; then
    if box=$(question_box); then
        rig_check "the box shows 'don't ask again' ticked" tick "$box"
        rig_tool click "$box" 6 >/dev/null
        rig_ended 30
        rig_check "Yes restarts the program (its first process ends: $RIG_EXIT after $RIG_ELAPSED ms)" \
            [ "$RIG_EXIT" != timeout ]
        rig_check "a ticked Yes is not kept ($(remembered))" [ -z "$(remembered)" ]
        # The restarted instance (with /restart) does not ask.
        if main=$(rig_wait "$MAIN" 30000); then
            rig_check "the restarted program does not ask" not_asked_within 6000
        fi
        stop
        if start; then
            rig_check "the next plain start asks again" question_box 15000 >/dev/null
            stop
        fi
    else
        rig_fail "a start without a kept answer asks"
    fi
fi

rig_finish
