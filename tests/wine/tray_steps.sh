# Steps of the tray's window tests (tests/wine/tray*.sh), sourced after rig.sh
# and rig_start: the program installed where an installer puts it, and what
# the notification area shows of it, read back from Wine's taskbar.

TRAY_WINDOW='WndClass-{df0cc042-6f6f-4712-bf25-2b984f3e8777}|WndName-{7298c6b8-835f-4234-8054-49925ccd4038}'
TRAY_USER_KEY='HKCU\Software\Quellora'
TRAY_MACHINE_KEY='HKLM\Software\Quellora'
TRAY_EXE='C:\Program Files\Quellora\quellora.exe'

# tray_install: quellora.exe and its language modules in Program Files.
tray_install() {
    local app="$WINEPREFIX/drive_c/Program Files/Quellora"
    mkdir -p "$app"
    cp "$RIG_BUILD/quellora.exe" "$RIG_BUILD"/tw_rsrc_*.dll "$app/"
}

# tray_forget_program: the machine as before the program's first start (the
# prefix copied for this run may hold what earlier runs left).
tray_forget_program() {
    local key
    for key in "$TRAY_USER_KEY" "$TRAY_MACHINE_KEY" 'HKLM\Software\Ostrima' 'HKLM\Software\Taskwarden'; do
        rig_wine reg delete "$key" /f >/dev/null 2>&1
    done
}

# Wine 8 draws the notification-area icons at the right end of the taskbar,
# 20 pixels apiece; the program's is the first. Its four cores: 0 top left
# and 3 bottom right are lit in both icons, 1 top right and 2 bottom left
# are dimmed in the parked icon.
TRAY_LIT=52D6FF
tray_core_pixel() {
    case $1 in
    0) rig_pixel 'Shell_TrayWnd|*' 1267 7 ;;
    1) rig_pixel 'Shell_TrayWnd|*' 1273 7 ;;
    esac
}
# tray_icon_shown: normal, parked, or none.
tray_icon_shown() {
    [ "$(tray_core_pixel 0)" = $TRAY_LIT ] || { echo none; return; }
    if [ "$(tray_core_pixel 1)" = $TRAY_LIT ]; then echo normal; else echo parked; fi
}
# tray_wait_icon <normal|parked|none> <milliseconds>
tray_wait_icon() {
    local deadline=$(($(date +%s%N) + $2 * 1000000))
    while [ "$(date +%s%N)" -lt $deadline ]; do
        [ "$(tray_icon_shown)" = "$1" ] && return 0
        sleep 0.05
    done
    [ "$(tray_icon_shown)" = "$1" ]
}

# tray_wait_tip <text> <milliseconds>: the icon's tooltip contains the text.
tray_wait_tip() {
    local deadline=$(($(date +%s%N) + $2 * 1000000))
    while [ "$(date +%s%N)" -lt $deadline ]; do
        rig_tool tips | grep -qF "$1" && return 0
        sleep 0.2
    done
    return 1
}

# tray_wait_balloon <title> <text> <milliseconds>: such a balloon is on the
# screen. The title counts where the shell gives it back: Wine 8's balloons
# do not answer TTM_GETTITLE, and there the text decides (the pictures show
# the title).
tray_wait_balloon() {
    local deadline=$(($(date +%s%N) + $3 * 1000000))
    while [ "$(date +%s%N)" -lt $deadline ]; do
        rig_tool balloon | tr -d '\r' | awk -F '\t' -v t="$1" -v x="$2" \
            '($1 == "" || index($1, t)) && index($2, x) { found = 1 } END { exit !found }' && return 0
        sleep 0.1
    done
    return 1
}

tray_value() {
    rig_wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { print $3 }'
}
# tray_wait_value <key> <name> <value as reg prints it> <milliseconds>
tray_wait_value() {
    local deadline=$(($(date +%s%N) + $4 * 1000000))
    while [ "$(date +%s%N)" -lt $deadline ]; do
        [ "$(tray_value "$1" "$2")" = "$3" ] && return 0
        sleep 0.2
    done
    return 1
}

# tray_wait_log <UTF-16 log file> <text> <milliseconds>
tray_wait_log() {
    local deadline=$(($(date +%s%N) + $3 * 1000000))
    while [ "$(date +%s%N)" -lt $deadline ]; do
        iconv -f UTF-16LE -t UTF-8 "$1" 2>/dev/null | tr -d '\r' | grep -qF "$2" && return 0
        sleep 0.2
    done
    return 1
}

# tray_terminate <launcher pid>: /terminate; RIG_EXIT is the instance's exit code.
tray_terminate() {
    rig_launch "$TRAY_EXE" /terminate
    local term=$RIG_PID
    rig_exit_code 15 "$1"
    local instance_exit=$RIG_EXIT
    rig_exit_code 10 "$term"
    RIG_EXIT=$instance_exit
}
