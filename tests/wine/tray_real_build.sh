#!/bin/bash
# The real Windows build's interactive start under Wine, where the power API
# is missing and the Task Scheduler has no logon trigger: the program still
# comes up in the notification area, its icon never shows parked cores (the
# parking counters are refused) and it does not crash, the logon task fails
# quietly (no box, "Installed" stays absent), and /terminate ends it.
#
#   tray_real_build.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" tray_real_build || exit 1

tray='WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}|WndName-{7298c6b8-835f-4234-8054-49925ccd4038}'
app="$WINEPREFIX/drive_c/Program Files/Quellora"
mkdir -p "$app"
cp "$build/quellora.exe" "$build"/tw_rsrc_*.dll "$app/"
exe='C:\Program Files\Quellora\quellora.exe'

lacks_installed() { ! rig_wine reg query 'HKLM\Software\Quellora' /v Installed >/dev/null 2>&1; }

# The prefix copied for this run may hold what earlier runs left.
for key in 'HKCU\Software\Quellora' 'HKLM\Software\Quellora'; do rig_wine reg delete "$key" /f >/dev/null 2>&1; done

rig_launch "$exe" /systray
instance=$RIG_PID
rig_check "the tray window exists" rig_tool exists "$tray" 30000
rig_check "one icon in the notification area" rig_wait_tray_icons 1 10000
rig_picture desktop tray-icon
rig_check "no message box on the way" test -z "$(rig_tool windows '#32770|*' | awk -F '\t' '$3 == 1')"
rig_check "the logon task could not be made: Installed stays absent" lacks_installed
rig_check "... and no task was left behind" test -z "$(rig_wine schtasks /query 2>/dev/null | grep -i quellora)"

# Wine refuses the parking counters: the icon stays the normal one (its top
# right core lit) through several one-second ticks, and the program runs on.
normal_throughout=yes
for i in $(seq 8); do
    [ "$(rig_pixel 'Shell_TrayWnd|*' 1273 7)" = 52D6FF ] || normal_throughout=no
    sleep 0.5
done
rig_check "counters refused: never the parked icon" [ "$normal_throughout" = yes ]
rig_check "... and the program still runs" kill -0 "$instance"
rig_check "its tooltip says no cores are parked" grep -qF 'No cores are parked.' <<<"$(rig_tool tips)"

rig_launch "$exe" /terminate
terminate=$RIG_PID
rig_exit_code 10 "$instance"
rig_check "/terminate ends the instance ($RIG_EXIT, $RIG_ELAPSED ms)" test "$RIG_EXIT" = 0 -a "$RIG_ELAPSED" -lt 2000
rig_exit_code 10 "$terminate"
rig_check "/terminate exits with 0 ($RIG_EXIT)" [ "$RIG_EXIT" = 0 ]

rig_finish
