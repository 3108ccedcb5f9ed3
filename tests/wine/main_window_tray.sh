#!/bin/bash
# The main window opened from the notification area under Wine: a click on
# the tray icon opens it on a thread of its own, a second click brings the
# open one forward (never a second window), the tray's menu command reopens
# it (tray_notices.sh: while it is open the tray keeps quiet about drift).
#
#   main_window_tray.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" main_window_tray || exit 1

MAIN='#32770|Quellora – Core*'
TRAY='WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}|WndName-{7298c6b8-835f-4234-8054-49925ccd4038}'
tray=
click_tray() { rig_tool post "$tray" 0x401 0 514 >/dev/null; }  # WMU_TRAY_CALLBACK, WM_LBUTTONUP
main_count() { rig_tool windows "$MAIN" | awk -F '\t' '$3 == 1' | wc -l; }

rig_wine reg delete 'HKCU\Software\Quellora' /f >/dev/null 2>&1
rig_sim reset hybrid-laptop >/dev/null
rig_launch "$build/quellora.exe" /systray
# The tray window is never shown: it is addressed by its handle.
if ! tray=$(rig_tool exists "$TRAY" 30000); then
    rig_fail "the program runs in the notification area"
    rig_finish
    exit 1
fi
sleep 1
rig_check "no main window at a start with /systray" [ "$(main_count)" = 0 ]

click_tray
if main=$(rig_wait "$MAIN" 20000); then
    rig_picture "$main" opened-from-tray
    tray_thread=$(rig_tool state "$tray" | cut -f1)
    main_thread=$(rig_tool state "$main" | cut -f1)
    rig_check "a click on the tray icon opens the main window on its own thread ($main_thread, tray $tray_thread)" \
        [ -n "$main_thread" ] && [ "$main_thread" != "$tray_thread" ]

    rig_tool send "$main" 0x112 0xF020 >/dev/null  # minimised
    sleep 0.3
    rig_check "minimised" [ "$(rig_tool state "$main" | cut -f3)" = 1 ]
    click_tray
    sleep 1
    rig_check "a second click brings it back" [ "$(rig_tool state "$main" | cut -f3)" = 0 ]
    rig_check "... the same window, never a second one" [ "$(main_count)" = 1 ] && rig_tool exists "$main" 100 >/dev/null

    # The tray's menu command 34937 closes the open window and opens it again.
    rig_tool send "$tray" 0x111 34937 >/dev/null
    if rig_gone "$main" 10000 && reopened=$(rig_wait "$MAIN" 20000); then
        rig_check "34937 reopens the main window" [ "$reopened" != "$main" ] && [ "$(main_count)" = 1 ]
        main=$reopened
    else
        rig_fail "34937 reopens the main window"
    fi

    rig_tool close "$main"
    rig_gone "$main" 10000
    rig_check "closing the main window leaves the program in the notification area" \
        rig_tool exists "$tray" 100 >/dev/null
    click_tray
    if main=$(rig_wait "$MAIN" 20000); then
        rig_check "the next click opens it again" true
        rig_tool close "$main"
        rig_gone "$main" 10000
    else
        rig_fail "the next click opens it again"
    fi
else
    rig_fail "a click on the tray icon opens the main window"
fi

rig_tool post "$tray" 0x111 105 >/dev/null  # Exit
rig_exit_code 20
rig_check "the tray's Exit ends the program (exit $RIG_EXIT)" [ "$RIG_EXIT" = 0 ]
rig_finish
