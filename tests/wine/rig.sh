# The test rig for windows: a library of steps for shell tests that start the
# Windows build under Wine on a virtual screen, drive its windows and read
# their state back. Source it from a test script:
#
#   . "$source/tests/wine/rig.sh"
#   rig_start "$build" "$source" message_box     # private prefix, Xvfb, Wine desktop
#   rig_launch "$build/quellora.exe" /systray    # in the background; RIG_PID
#   box=$(rig_wait '#32770|Quellora')            # a window by class|title
#   rig_controls "$box"                          # id, class, visible, enabled, checked, x, y, w, h, text
#   rig_picture "$box" info-light                # pictures/<test>/info-light.png
#   rig_tool click "$box" 6                      # any wintool command
#   rig_exit_code 5; [ "$RIG_EXIT" = 6 ]         # waits for the launched program
#   rig_check "the box answered Yes" [ "$RIG_EXIT" = 6 ]
#   rig_finish                                   # stops everything, exit status = verdict
#
# Each run gets its own copy of the Wine prefix (made once by
# tools/wine/prefix.sh, then copied: Wine's crash dialog is off there), its own
# Xvfb (a free display number chosen by Xvfb itself) and its own wineserver,
# so parallel runs never meet. Every Wine process starts with its standard
# handles redirected, so CTest never waits on a pipe a Wine background process
# inherited. Pictures land in <build>/pictures/<test>/ as PNG for a person to
# look at; a test's verdict comes from read-back state, never from a picture.
#
# Windows used by the steps below: "class|title" (either part empty or "*"; a
# title ending in "*" is a prefix) or a handle 0x... that rig_wait printed.

RIG_FAILURES=0
RIG_PASSES=0

rig_log() { echo "$*" >&2; }

# rig_start <build folder> <source folder> <test name>
rig_start() {
    RIG_BUILD=$(cd "$1" && pwd)
    RIG_SOURCE=$(cd "$2" && pwd)
    RIG_NAME=$3
    RIG_TOOL_EXE="$RIG_BUILD/tests/win32/wintool.exe"
    RIG_SIM_EXE="$RIG_BUILD/quellora-sim.exe"
    RIG_PICTURES="$RIG_BUILD/pictures/$RIG_NAME"
    mkdir -p "$RIG_PICTURES"
    rm -f "$RIG_PICTURES"/*.png

    # The ready prefix that every run copies.
    : "${WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/quellora-wine}"
    RIG_BASE_PREFIX=$WINEPREFIX
    "$RIG_SOURCE/tools/wine/prefix.sh" >&2 || return 1

    RIG_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quellora-rig.XXXXXX")
    trap 'rig_stop' EXIT
    trap 'rig_stop; exit 130' INT TERM
    cp -a "$RIG_BASE_PREFIX" "$RIG_DIR/prefix"
    rm -f "$RIG_DIR/prefix"/.quellora-keepalive.* "$RIG_DIR/prefix"/.quellora-prefix.lock

    export WINEPREFIX="$RIG_DIR/prefix"
    export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
    unset WAYLAND_DISPLAY

    # Xvfb picks a free display and writes its number once it accepts clients.
    : >"$RIG_DIR/display"
    setsid Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset \
        3>"$RIG_DIR/display" </dev/null >"$RIG_DIR/xvfb.log" 2>&1 &
    RIG_XVFB_PID=$!
    local tries=0
    until [ -s "$RIG_DIR/display" ]; do
        tries=$((tries + 1))
        if [ $tries -ge 200 ] || ! kill -0 "$RIG_XVFB_PID" 2>/dev/null; then
            rig_log "rig: Xvfb did not start"; cat "$RIG_DIR/xvfb.log" >&2; return 1
        fi
        sleep 0.05
    done
    export DISPLAY=":$(head -n1 "$RIG_DIR/display")"

    # Every program of this session runs on one Wine desktop with title bars.
    # Written before the first Wine process starts: the desktop's process
    # reads it once, when the first program of the session starts it.
    printf '\n[Software\\\\Wine\\\\Explorer] 1700000000\n"Desktop"="Default"\n' >>"$WINEPREFIX/user.reg"
    printf '\n[Software\\\\Wine\\\\Explorer\\\\Desktops] 1700000000\n"Default"="1280x800"\n' >>"$WINEPREFIX/user.reg"
    # RIG_LOG_PIXELS: the screen's dpi for the whole run (Wine reads it when a program starts).
    if [ -n "${RIG_LOG_PIXELS:-}" ]; then
        printf '\n[Control Panel\\\\Desktop] 1700000000\n"LogPixels"=dword:%08x\n' "$RIG_LOG_PIXELS" >>"$WINEPREFIX/user.reg"
        printf '\n[System\\\\CurrentControlSet\\\\Hardware Profiles\\\\Current\\\\Software\\\\Fonts] 1700000000\n"LogPixels"=dword:%08x\n' \
            "$RIG_LOG_PIXELS" >>"$WINEPREFIX/system.reg"
    fi
    # The desktop, kept for the whole run: later programs start in a few hundredths of a second.
    setsid wine explorer /desktop=Default,1280x800 </dev/null >"$RIG_DIR/explorer.log" 2>&1 &
    RIG_EXPLORER_PID=$!
    rig_tool exists 'Shell_TrayWnd|*' 30000 >/dev/null || rig_log "rig: no desktop yet"
    # Should the test itself be killed (a CTest time-out), a watchdog still
    # stops this run's wineserver and Xvfb and removes the prefix copy.
    local test_pid=$$
    setsid bash -c '
        while kill -0 "$1" 2>/dev/null; do sleep 2; done
        [ -d "$2" ] || exit 0
        WINEPREFIX="$2/prefix" wineserver -k 2>/dev/null
        kill "$3" 2>/dev/null
        sleep 1
        rm -rf "$2"' rig-watchdog "$test_pid" "$RIG_DIR" "$RIG_XVFB_PID" </dev/null >/dev/null 2>&1 &
    rig_log "rig: $RIG_NAME on display $DISPLAY, prefix $WINEPREFIX"
}

# Stops the run's programs, its wineserver and Xvfb, and removes the prefix copy.
rig_stop() {
    [ -n "${RIG_DIR:-}" ] || return 0
    if [ -n "${WINEPREFIX:-}" ] && [ "$WINEPREFIX" = "$RIG_DIR/prefix" ]; then
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
    [ -n "${RIG_EXPLORER_PID:-}" ] && kill "$RIG_EXPLORER_PID" 2>/dev/null
    [ -n "${RIG_XVFB_PID:-}" ] && kill "$RIG_XVFB_PID" 2>/dev/null && wait "$RIG_XVFB_PID" 2>/dev/null
    rm -rf "$RIG_DIR"
    RIG_DIR=
}

# A Wine program of the run, waited for, its standard handles redirected
# (standard output passes through a file so that no pipe is inherited).
rig_wine() {
    local out="$RIG_DIR/out.$$.$RANDOM"
    local rc=0
    wine "$@" </dev/null >"$out" 2>>"$RIG_DIR/wine-errors.log" || rc=$?
    cat "$out"
    rm -f "$out"
    return $rc
}

# rig_tool <wintool command> [arguments]: see tools/wine/wintool.cpp.
rig_tool() { rig_wine "$RIG_TOOL_EXE" "$@"; }

# rig_sim <quellora-sim command>: changes the simulated machine (the Windows
# build of quellora-sim shares Wine's registry with the program).
rig_sim() { rig_wine "$RIG_SIM_EXE" "$@"; }

# rig_launch <program.exe> [arguments]: starts it in the background; its
# standard output and error go to $RIG_DIR/launch.<n>.out / .err.
# Sets RIG_PID (the Wine launcher, which ends with the program's exit code)
# and RIG_OUT.
RIG_LAUNCHES=0
rig_launch() {
    RIG_LAUNCHES=$((RIG_LAUNCHES + 1))
    RIG_OUT="$RIG_DIR/launch.$RIG_LAUNCHES"
    wine "$@" </dev/null >"$RIG_OUT.out" 2>"$RIG_OUT.err" &
    RIG_PID=$!
    RIG_EXIT=
}

# rig_exit_code <seconds> [pid]: waits for the launched program; sets
# RIG_EXIT (its exit code, or "timeout" when it still ran, and then it is
# left running) and RIG_ELAPSED (milliseconds waited).
rig_exit_code() {
    local limit=$1 pid=${2:-$RIG_PID}
    local start end
    start=$(date +%s%N)
    end=$((start + limit * 1000000000))
    while kill -0 "$pid" 2>/dev/null; do
        if [ "$(date +%s%N)" -ge $end ]; then
            RIG_EXIT=timeout
            RIG_ELAPSED=$((($(date +%s%N) - start) / 1000000))
            return 0
        fi
        sleep 0.05
    done
    RIG_EXIT=0
    wait "$pid" || RIG_EXIT=$?
    RIG_ELAPSED=$((($(date +%s%N) - start) / 1000000))
}

# rig_stop_launch: ends the launched program should it still run, so that a
# window of it cannot answer for a later launch.
rig_stop_launch() {
    kill -0 "$RIG_PID" 2>/dev/null || return 0
    rig_log "rig: stopping launch $RIG_LAUNCHES (pid $RIG_PID), still running"
    kill "$RIG_PID" 2>/dev/null
    wait "$RIG_PID" 2>/dev/null || true
}

# rig_open <variable> <window> <what>: waits up to a minute for the launched
# program's window and puts its handle into the variable. When none comes,
# the check <what> fails with what there is to see (the time waited, the
# program's error output, the shown windows, a picture of the desktop), and
# the program is stopped.
rig_open() {
    local -n rig_opened=$1
    local start
    start=$(date +%s%N)
    if rig_opened=$(rig_wait "$2" 60000); then
        return 0
    fi
    rig_opened=
    rig_fail "$3" "no window after $((($(date +%s%N) - start) / 1000000)) ms; launch $RIG_LAUNCHES wrote:
$(tail -n 5 "$RIG_OUT.err" 2>/dev/null)
shown windows: $(rig_tool windows '*|*' | awk -F '\t' '$3 == 1' | tr '\n' ';')"
    rig_picture desktop "not-opened-$RIG_LAUNCHES"
    rig_stop_launch
    return 1
}

# rig_ended <seconds>: rig_exit_code for a program that is to end; one that
# still runs after the time is stopped (RIG_EXIT stays "timeout").
rig_ended() {
    rig_exit_code "$1"
    [ "$RIG_EXIT" != timeout ] || rig_stop_launch
}

# rig_type <window> <control id> <text>: clicks into the field until it has
# the keyboard focus, erases up to four characters at its end and types the
# text a key at a time. A field that never takes the focus gets no keys (End
# would otherwise go to whatever has the focus: in the main window the
# navigation list, which then opens its last page); it fails.
rig_type() {
    local geometry attempt i
    geometry=$(rig_controls "$1" | awk -F '\t' -v id="$2" '$1 == id { print $6 + int($8 / 2), $7 + int($9 / 2); exit }')
    for attempt in 1 2 3 4 5; do
        # shellcheck disable=SC2086
        rig_tool mouse "$1" $geometry
        [ "$(rig_tool focus "$1")" = "$2" ] && break
        [ "$attempt" = 5 ] && { rig_log "rig: control $2 never took the focus"; return 1; }
        sleep 0.5
    done
    rig_tool keys "$1" end backspace backspace backspace backspace
    for ((i = 0; i < ${#3}; ++i)); do rig_tool keys "$1" "${3:i:1}"; done
}

# rig_wait <window> [milliseconds]: prints the handle of the first visible
# top-level window that matches; fails after the time (10 s by default).
rig_wait() { rig_tool wait "$1" "${2:-10000}"; }

# rig_gone <window> [milliseconds]: succeeds once no such window is left.
rig_gone() { rig_tool gone "$1" "${2:-10000}" >/dev/null; }

# rig_controls <window>: one line a control, tab-separated:
# id, class, visible, enabled, checked (1/0/-), x, y, width, height, text.
rig_controls() { rig_tool controls "$1"; }

# rig_control_field <window> <id> <field number>: one field of one control
# (2 class, 3 visible, 4 enabled, 5 checked, 6-9 place, 10 text).
rig_control_field() {
    rig_controls "$1" | awk -F '\t' -v id="$2" -v f="$3" '$1 == id { print $f; exit }'
}

# rig_picture <window>|desktop <name>: <build>/pictures/<test>/<name>.png.
rig_picture() {
    local bmp="$RIG_DIR/$2.bmp"
    if rig_tool shot "$1" "Z:$bmp" && convert "$bmp" "$RIG_PICTURES/$2.png" 2>/dev/null; then
        rm -f "$bmp"
        rig_log "rig: picture $RIG_PICTURES/$2.png"
    else
        rig_log "rig: no picture of $1 ($2)"
    fi
}

# rig_pixel <window> <x> <y>: RRGGBB of a pixel of its client area.
rig_pixel() { rig_tool pixel "$1" "$2" "$3"; }

# rig_tray_icons: how many of the program's icons the notification area
# shows. Wine 8 draws the notification-area icons itself at the right end of
# the taskbar, 20 pixels apiece, one after the other from the right: an icon
# of the program is there when the place of its first core (top left, lit in
# both the normal and the parked icon) shows that core's colour.
rig_tray_icons() {
    local n=0 i
    for i in 0 1 2; do
        [ "$(rig_pixel 'Shell_TrayWnd|*' $((1267 - 20 * i)) 7)" = 52D6FF ] && n=$((n + 1))
    done
    echo $n
}

# rig_wait_tray_icons <count> <milliseconds>: succeeds once there are that many.
rig_wait_tray_icons() {
    local deadline=$(($(date +%s%N) + $2 * 1000000))
    while [ "$(date +%s%N)" -lt $deadline ]; do
        [ "$(rig_tray_icons)" = "$1" ] && return 0
        sleep 0.1
    done
    [ "$(rig_tray_icons)" = "$1" ]
}

# The user's folders inside the run's prefix, as Linux paths.
rig_local_appdata() {
    local user
    user=$(ls "$WINEPREFIX/drive_c/users" | grep -v -x Public | head -n1)
    echo "$WINEPREFIX/drive_c/users/$user/AppData/Local"
}

# rig_check <description> <command...>: counts and prints the verdict.
rig_check() {
    local description=$1
    shift
    if "$@"; then
        echo "ok   $description"
        RIG_PASSES=$((RIG_PASSES + 1))
    else
        echo "FAIL $description"
        RIG_FAILURES=$((RIG_FAILURES + 1))
    fi
}

# rig_fail <description> [details]: a failed check with what was seen.
rig_fail() {
    echo "FAIL $1"
    [ $# -gt 1 ] && printf '%s\n' "$2" | sed 's/^/     /'
    RIG_FAILURES=$((RIG_FAILURES + 1))
}

# rig_finish: stops the run; exit status 0 only when every check passed.
rig_finish() {
    rig_stop
    echo "$RIG_PASSES passed, $RIG_FAILURES failed"
    [ "$RIG_FAILURES" -eq 0 ]
}
