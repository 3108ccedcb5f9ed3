#!/bin/bash
# The crash handler under Wine: a program that links it crashes on demand.
# After about five seconds a dump starting with "MDMP" lies at
# %LOCALAPPDATA%\Taskwarden\quellora.exe.dmp, message 1288 names it, and the
# process ends with exit code 1; with the shutdown event signalled it ends at
# once with exit code 0 and no box; two threads crashing together give one
# dump and one box.
#
#   crash_dump.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" crash_dump || exit 1

# Level 1 (data segments, handles, thread and memory information): a full
# dump (level 2, the program's) takes Wine minutes and hundreds of megabytes.
crash_level=1
crash="$build/crash_now.exe"
dump="$(rig_local_appdata)/Taskwarden/quellora.exe.dmp"

# crash_and_answer <description> <arguments...>: one crash, its box answered No.
crash_and_answer() {
    local what=$1
    shift
    rm -f "$dump"
    local start
    start=$(date +%s%N)
    rig_launch "$crash" --level $crash_level "$@"
    local box
    if ! box=$(rig_wait '#32770|Quellora' 120000); then
        rig_fail "$what: message 1288 appears"
        return 1
    fi
    local waited=$((($(date +%s%N) - start) / 1000000))
    rig_picture "$box" "${what// /-}"
    local text
    text=$(rig_controls "$box" | awk -F '\t' '$1 == 65535 { print $10 }')
    rig_check "$what: the box comes after the pause ($waited ms)" [ "$waited" -ge 4500 ]
    rig_check "$what: the box is message 1288 with the dump's path" \
        grep -q 'stopped because of an unexpected error.*support.ostrima.com.*Taskwarden\\quellora.exe.dmp.*Show the file in Explorer?' <<<"$text"
    rig_check "$what: the dump begins with MDMP" [ "$(head -c 4 "$dump" 2>/dev/null)" = MDMP ]
    rig_log "dump: $(stat -c %s "$dump" 2>/dev/null) bytes"
    rig_tool click "$box" 7
    rig_exit_code 10
    rig_check "$what: exit code 1 ($RIG_EXIT)" [ "$RIG_EXIT" = 1 ]
}

crash_and_answer "one thread"
crash_and_answer "two threads" --threads 2
rig_check "two threads: one box only" test -z "$(rig_tool windows '#32770|Quellora')"

# While /terminate stops the program: no box, exit code 0, at once.
rm -f "$dump"
rig_launch "$crash" --shutdown
rig_exit_code 10
rig_check "shutdown event set: exit code 0 ($RIG_EXIT, $RIG_ELAPSED ms)" [ "$RIG_EXIT" = 0 ]
rig_check "shutdown event set: no dump" [ ! -e "$dump" ]
rig_check "shutdown event set: no box" test -z "$(rig_tool windows '#32770|Quellora')"

rig_finish
