#!/bin/sh
# The Windows build's console commands under Wine, compared byte for byte with
# what the host build prints on the same simulated machine.
#
#   console_commands.sh <build folder> <source folder>
#
# In the simulated-machine build the machine lives in Wine's registry: it is
# seeded anew first. In the real build Wine has no power API: the commands that
# need it say which functions are missing, and so does the self-test.
set -eu
build=$1
source=$2
run="$source/tools/wine/run.sh --keepalive $build/tests/win32/keepalive.exe"
: "${WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/quellora-wine}"
export WINEPREFIX
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail=0

check() {  # check <description> <expected exit> <expected file> <actual exit> <actual file>
    if [ "$4" != "$2" ]; then
        echo "FAIL $1: exit code $4, expected $2"
        fail=1
    elif ! cmp -s "$3" "$5"; then
        echo "FAIL $1: output differs"
        od -c "$5" | head -20
        fail=1
    else
        echo "ok   $1"
    fi
}

# Every start stores the language it chose: forget it, so the user interface
# language decides.
forget_language() {
    $run reg delete 'HKCU\Software\Quellora' /f >/dev/null 2>&1 || true
    $run reg delete 'HKLM\Software\Quellora' /f >/dev/null 2>&1 || true
}
forget_language

if [ -f "$build/quellora-sim.exe" ]; then
    $run "$build/quellora-sim.exe" reset >/dev/null
    rc=0; $run "$build/quellora.exe" /plans >"$out/plans" || rc=$?
    check "/plans prints the host's JSON" 0 "$source/tests/data/plans-default.txt" $rc "$out/plans"
    rc=0; $run "$build/quellora.exe" /status >"$out/status" || rc=$?
    check "/status prints the host's JSON" 0 "$source/tests/data/status-default.txt" $rc "$out/status"
    rc=0; $run "$build/quellora.exe" /PLANS >"$out/plans2" || rc=$?
    check "/PLANS is the same command" 0 "$source/tests/data/plans-default.txt" $rc "$out/plans2"
    $run "$build/quellora-sim.exe" active saver >/dev/null
    rc=0; $run "$build/quellora.exe" /plans >"$out/saver" || rc=$?
    if grep -q "A1841308" "$out/saver" && [ "$(grep -c '"active": true' "$out/saver")" = 1 ] &&
        grep -B1 '"guid": "{A1841308' "$out/saver" | grep -q '"active": true'; then
        echo "ok   another program's plan change shows in /plans"
    else
        echo "FAIL another program's plan change shows in /plans"; cat "$out/saver"; fail=1
    fi
    forget_language
    $run "$build/quellora-sim.exe" ui-language 0x407 >/dev/null
    rc=0; $run "$build/quellora.exe" /help >"$out/hilfe" || rc=$?
    check "a German user interface gets the German module, English where it lacks a text" 0 \
        "$source/tests/data/help-german.txt" $rc "$out/hilfe"
    forget_language
    $run "$build/quellora-sim.exe" reset >/dev/null

    # The self-test runs the same checks with the same results as on the host.
    rc=0; $run "$build/quellora.exe" /selftest >"$out/selftest" || rc=$?
    grep -E '^  (PASS|FAIL|SKIP)  ' "$out/selftest" | tr -d '\r' >"$out/checks"
    check "/selftest passes the host's checks" 0 "$source/tests/data/selftest-checks.txt" $rc "$out/checks"
    if [ "$(head -c 3 "$build/quellora-selftest.log" | od -An -tx1 | tr -d ' ')" = efbbbf ]; then
        echo "ok   the self-test log begins with a byte order mark"
    else
        echo "FAIL the self-test log begins with a byte order mark"; fail=1
    fi
    rc=0; $run "$build/quellora.exe" /driftcheck >"$out/drift" || rc=$?
    if [ $rc = 0 ] && grep -q "0 plan(s) drifted" "$out/drift"; then
        echo "ok   /driftcheck runs"
    else
        echo "FAIL /driftcheck runs (exit $rc)"; cat "$out/drift"; fail=1
    fi
    rc=0; $run "$build/quellora.exe" /backupplans >"$out/backup" || rc=$?
    if [ $rc = 0 ] && ls "$WINEPREFIX"/drive_c/ProgramData/Quellora/PowerPlanBackups/*/README.txt >/dev/null 2>&1; then
        echo "ok   /backupplans exports every plan"
    else
        echo "FAIL /backupplans exports every plan (exit $rc)"; fail=1
    fi
    rm -rf "$WINEPREFIX"/drive_c/ProgramData/Quellora
    $run "$build/quellora-sim.exe" reset >/dev/null
else
    missing="PowerDuplicateScheme, PowerWriteFriendlyName, PowerWriteDescription, PowerDeleteScheme, PowerReadACValueIndex, PowerReadDCValueIndex, PowerWriteACValueIndex, PowerWriteDCValueIndex, PowerReadPossibleValue, PowerWriteSettingAttributes"
    printf 'This command needs the Windows power management functions, which this system lacks (%s).\r\n' \
        "$missing" >"$out/missing"
    : >"$out/empty"
    for command in /plans /status; do
        rc=0; $run "$build/quellora.exe" $command >"$out/plans" 2>"$out/plans-err" || rc=$?
        check "$command without a power API prints nothing" 2 "$out/empty" $rc "$out/plans"
        check "$command without a power API says what is missing" 2 "$out/missing" $rc "$out/plans-err"
    done
    rc=0; $run "$build/quellora.exe" /selftest >"$out/selftest" || rc=$?
    if [ $rc -gt 0 ] && grep -q "^  FAIL  scratch plan created (the Windows power management functions $missing are missing)" "$out/selftest"; then
        echo "ok   /selftest names the missing power functions"
    else
        echo "FAIL /selftest names the missing power functions (exit $rc)"; cat "$out/selftest"; fail=1
    fi
fi

# Language modules come from the program's folder only, as data. A module of
# the same name elsewhere on the search path (the current folder, PATH) never
# takes a missing one's place ...
mkdir -p "$out/app" "$out/planted"
cp "$build/quellora.exe" "$out/app/"
cp "$build/tests/win32/planted/tw_rsrc_english.dll" "$out/planted/"
printf 'There was an error loading the resource DLL tw_rsrc_english.dll!\r\n' >"$out/module-error"
rc=0; (cd "$out/planted" && WINEPATH="Z:$(echo "$out/planted" | tr / '\\\\')" \
    $run "$out/app/quellora.exe" /? >"$out/planted-out" 2>"$out/planted-err") || rc=$?
check "a missing module is not taken from the search path" 1 "$out/module-error" $rc "$out/planted-err"
if [ -e "$out/planted/planted-module-code-ran.txt" ] || [ -s "$out/planted-out" ]; then
    echo "FAIL the planted module stays unused"; fail=1
else
    echo "ok   the planted module stays unused"
fi
# ... and no code of the module beside the program runs: its texts are used.
cp "$build/tests/win32/planted/tw_rsrc_english.dll" "$out/app/"
rc=0; (cd "$out/planted" && $run "$out/app/quellora.exe" /? >"$out/beside") || rc=$?
check "the module beside the program gives its texts" 0 "$source/tests/data/help.txt" $rc "$out/beside"
if [ -e "$out/planted/planted-module-code-ran.txt" ]; then
    echo "FAIL no code of a language module runs"; fail=1
else
    echo "ok   no code of a language module runs"
fi

printf 'Wrong arguments for /plans. Run quellora.exe /help to see how to use it.\r\n' >"$out/usage"
rc=0; $run "$build/quellora.exe" /plans x >"$out/x" || rc=$?
check "/plans x is a usage error" 1 "$out/usage" $rc "$out/x"
rc=0; $run "$build/quellora.exe" /? >"$out/help" || rc=$?
check "/? prints the host's help text" 0 "$source/tests/data/help.txt" $rc "$out/help"
exit $fail
