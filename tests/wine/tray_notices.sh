#!/bin/bash
# The tray's notices under Wine, on the simulated machine: the update check
# against the simulated machine's update service (a newer version gives the
# balloon, a click downloads the installer, an unsigned one gives warning
# 1233; an answer of "error" gives nothing), and drift protection in mode 1
# (another program changes a remembered plan: a balloon within 30 s, none for
# the same drift at the next check, none while the main window is open).
#
#   tray_notices.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" tray_notices || exit 1
. "$source/tests/wine/tray_steps.sh"

tray_install
rig_sim reset desktop >/dev/null
tray_forget_program
rig_wine reg add "$TRAY_MACHINE_KEY" /v Installed /t REG_DWORD /d 1 /f >/dev/null
# A check every 8 s instead of once a day (each finished check shows the
# balloon again, and Wine's shell shows a balloon only 2 s after it is asked).
rig_wine reg add "$TRAY_MACHINE_KEY" /v UpdateCheckIntervalSeconds /t REG_DWORD /d 8 /f >/dev/null

# ---- A newer version: the balloon; its click downloads an unsigned installer.
rig_sim update version 6.0.3.0 >/dev/null
rig_sim update installer unsigned >/dev/null
rig_sim update clear >/dev/null
rig_launch "$TRAY_EXE" /systray
instance=$RIG_PID
rig_check "the tray window exists" rig_tool exists "$TRAY_WINDOW" 30000
tray=$(rig_tool windows "$TRAY_WINDOW" | awk -F '\t' 'NR == 1 { print $1 }')
if tray_wait_balloon 'Quellora update available' 'A new version of Quellora is ready' 25000; then
    rig_check "6.0.3.0: the update balloon" true
    rig_picture desktop update-balloon
else
    rig_fail "6.0.3.0: the update balloon" "$(rig_tool balloon)"
fi
rig_check "... the version service was asked as the program asks it" \
    grep -q 'versioninfo/quellora/?ProductName=Quellora&Platform=x64' <<<"$(rig_sim update requests)"
rig_tool post "$tray" 0x401 0 1029 >/dev/null   # the balloon is clicked
if box=$(rig_wait '#32770|Quellora' 15000); then
    rig_picture "$box" installer-not-verified
    rig_check "the unsigned installer gives warning 1233" \
        grep -q 'The downloaded installer could not be verified' <<<"$(rig_control_field "$box" 20482 10)"
    rig_tool click "$box" 7 >/dev/null   # No: no download page
else
    rig_fail "the unsigned installer gives warning 1233"
fi
rig_check "... the installer was downloaded" grep -q 'files/quellorasetup64.exe' <<<"$(rig_sim update requests)"
rig_check "... and not started" grep -q 'installer started 0 times' <<<"$(rig_sim update show | tr -d '\r')"
rig_check "... and no UpdateFinished mark" test -z "$(tray_value "$TRAY_USER_KEY" UpdateFinished)"
tray_terminate "$instance"

# ---- An answer that is no version: nothing.
rig_sim update version error >/dev/null
rig_sim update clear >/dev/null
rig_launch "$TRAY_EXE" /systray
instance=$RIG_PID
rig_tool exists "$TRAY_WINDOW" 30000 >/dev/null
balloons=$(rig_tool balloons 14000 | tr -d '\r')
rig_check "\"error\": the service was asked" test -n "$(rig_sim update requests | tr -d '\r')"
rig_check "... and no balloon" test -z "$(grep 'update available' <<<"$balloons")"
tray_terminate "$instance"

# ---- Drift protection in mode 1 (log and tell).
# Remembered settings of Balanced and Power saver, as the plans hold them.
remember() {  # <plan name> <core parking floor> <minimum state>
    local side
    for side in AC DC; do
        local key="$TRAY_USER_KEY\\PersistedPowerPlans\\$1\\$side"
        rig_wine reg add "$key" /v EfficiencyClassToCoreParking_0 /t REG_DWORD /d "$2" /f >/dev/null
        rig_wine reg add "$key" /v EfficiencyClassToFrequencyScalingMin_0 /t REG_DWORD /d "$3" /f >/dev/null
    done
}
remember Balanced 4 5
remember 'Power saver' 5 5
rig_wine reg add "$TRAY_USER_KEY" /v DriftProtection /t REG_DWORD /d 1 /f >/dev/null
rig_wine reg add "$TRAY_MACHINE_KEY" /v UpdateCheckIntervalSeconds /t REG_DWORD /d 0 /f >/dev/null
rig_launch "$TRAY_EXE" /systray
instance=$RIG_PID
rig_tool exists "$TRAY_WINDOW" 30000 >/dev/null
tray=$(rig_tool windows "$TRAY_WINDOW" | awk -F '\t' 'NR == 1 { print $1 }')
sleep 1
rig_sim set balanced CPMINCORES ac 50 >/dev/null
drift='Another program changed the processor settings of power plan "Balanced".'
t0=$(date +%s)
if tray_wait_balloon Quellora "$drift" 36000; then
    # The check runs every 30 s; Wine's shell shows a balloon 2 s after it is asked to.
    rig_check "a remembered plan changed: the drift balloon within 30 s ($(($(date +%s) - t0)) s, Wine's 2 s included)" \
        test $(($(date +%s) - t0)) -le 33
    rig_picture desktop drift-balloon
else
    rig_fail "a remembered plan changed: the drift balloon within 30 s" "$(rig_tool balloon)"
fi
rig_check "... and drift.log has it" tray_wait_log "$(rig_local_appdata)/Quellora/drift.log" Balanced 1000
# Wine's shell shows a balloon for at least 10 s; the next check comes 30 s after the last.
rig_check "the same drift at the next check: no balloon" \
    test -z "$(rig_tool balloons 33000 | tr -d '\r' | grep -F 'Another program changed')"

# The main window open: no check, no balloon.
rig_tool post "$tray" 0x401 0 514 >/dev/null
if main=$(rig_wait '#32770|Quellora – Core*' 10000); then
    rig_sim set saver CPMINCORES ac 60 >/dev/null
    rig_check "while the main window is open: no drift balloon" \
        test -z "$(rig_tool balloons 33000 | tr -d '\r' | grep -F 'Another program changed')"
    rig_tool close "$main" >/dev/null
else
    rig_fail "the main window opens at a left click"
fi

tray_terminate "$instance"
rig_check "/terminate ends the instance ($RIG_EXIT)" test "$RIG_EXIT" = 0
rig_finish
