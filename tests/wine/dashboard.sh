#!/bin/bash
# The dashboard's status area under Wine on the simulated machine: the active
# plan's name and the power source as they change, the processor and its
# composition, the clock lines, the unparked count and the core utilisation
# graph, a plan name too long for its place (cut, with the whole name in a
# tooltip, while the editor's pending edits stay), the link that adds and
# removes the maker's plan, and the update link for a newer version from the
# simulated update service. Verdicts come from the controls read back from
# the running program and from the simulated machine; pictures light and dark.
#
#   dashboard.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" dashboard || exit 1

exe="$build/quellora.exe"
MAIN='#32770|Quellora – Core*'
main=
dash=

# open_main [arguments]: the program with its tray (the main window opens at
# start); the window in $main, the dashboard page in $dash.
open_main() {
    rig_launch "$exe" "$@"
    rig_open main "$MAIN" "the main window opens" || return 1
    dash=$(rig_tool children "$main" | awk -F '\t' '$3 == "#32770" { print $1; exit }')
    sleep 1.5
}
close_program() {
    rig_wine "$exe" /terminate >/dev/null
    rig_ended 20
}
text_of() { rig_control_field "$dash" "$1" 10; }
visible() { rig_control_field "$dash" "$1" 3; }
# wait_for <ms> <command...>: polls until the command succeeds; the time it took in $WAITED (ms).
wait_for() {
    local limit=$1 start now
    shift
    start=$(date +%s%N)
    while :; do
        now=$(date +%s%N)
        WAITED=$(((now - start) / 1000000))
        "$@" && return 0
        [ "$WAITED" -ge "$limit" ] && return 1
        sleep 0.1
    done
}
text_is() { [ "$(text_of "$1")" = "$2" ]; }
text_ends_with_ellipsis() { [[ "$(text_of 3148)" == *… ]]; }
maker_plan_listed() { rig_sim plans | grep -q 'Ostrima Highest Performance'; }
not() { ! "$@"; }
unparked_line() { grep -qE "^[0-9]+ of ${1:-24} logical processors unparked\$" <<<"$(text_of 3159)"; }
# away_from_links: the pointer rests on the processor's name, where no tooltip opens.
away_from_links() { rig_tool hover "$dash" 3049 >/dev/null; sleep 0.3; }
update_link_shown() { [ "$(visible 3160)" = 1 ]; }
text_has() { grep -q "$2" <<<"$(text_of "$1")"; }
# The graph's visible group boxes, their titles joined by "|".
groups() { rig_controls "$dash" | awk -F '\t' '$2 == "Button" && $1 >= 900 && $1 < 1000 && $3 == 1 { print $10 }' | tr '\n' '|'; }
groups_are() { [ "$(groups)" = "$1" ]; }
# type_into <page> <id> <text>: clicks into the field and types over what it holds.
type_into() {
    rig_type "$1" "$2" "$3" && wait_for 5000 text_is "$2" "$3" || true
}
# click_link <id>: a real click on the link's first characters, where the
# link is now (read the place only once the status area has settled).
click_link() {
    local geometry
    geometry=$(rig_controls "$dash" | awk -F '\t' -v id="$1" '$1 == id { print $6 + 6, $7 + int($9 / 2); exit }')
    # shellcheck disable=SC2086
    rig_tool mouse "$dash" $geometry
}

rig_wine reg delete 'HKCU\Software\Quellora' /f >/dev/null 2>&1
rig_sim reset hybrid-laptop >/dev/null
# Without power modes the maker-plan link offers to add the plan; where Windows
# uses power modes it is hidden until the plan is listed (checked further down).
rig_sim overlay remove all >/dev/null
rig_sim theme light >/dev/null
rig_sim update version 6.0.3.0 >/dev/null

if open_main; then
    rig_check "the active plan's name ($(text_of 3148))" text_is 3148 Balanced
    rig_check "mains power ($(text_of 3269))" text_is 3269 AC
    rig_check "the processor's name ($(text_of 3049))" text_is 3049 '13th Gen Intel(R) Core(TM) i7-13700HX'
    composition=$(text_of 9401)
    rig_check "the composition of the hybrid processor ($composition)" \
        grep -qE '^(16 performance and 8 efficient logical processors|16 P at [0-9.]+ GHz, 8 E at [0-9.]+ GHz)$' <<<"$composition"
    rig_check "the clock ($(text_of 3152))" grep -qE '^[0-9]+\.[0-9]{2} GHz$' <<<"$(text_of 3152)"
    rig_check "the base clock ($(text_of 3155))" text_is 3155 'Base clock 2.10 GHz'
    wait_for 5000 unparked_line || true
    rig_check "the unparked processors ($(text_of 3159))" unparked_line
    groups=$(rig_controls "$dash" | awk -F '\t' '$2 == "Button" && $1 >= 900 && $1 < 1000 && $3 == 1 { print $10 }')
    bars=$(rig_controls "$dash" | awk -F '\t' '$2 == "msctls_progress32" && $3 == 1' | wc -l)
    rig_check "the graph: one group ($groups) of 24 bars ($bars)" [ "$groups" = "% CPU" ] && [ "$bars" = 24 ]
    wait_for 10000 update_link_shown || true
    rig_check "a newer version shows the update link" update_link_shown
    rig_check "the version line names both versions ($(text_of 3153))" grep -q '6.0.2.18.*6.0.3.0' <<<"$(text_of 3153)"
    away_from_links
    rig_picture "$main" dashboard-light

    # Unplugging: the power line follows within the refresh of 750 ms.
    rig_sim power dc >/dev/null
    if wait_for 3000 text_is 3269 DC; then
        rig_check "on battery the power line says DC ($WAITED ms after the change, the tool's own start included)" true
    else
        rig_fail "on battery the power line says DC" "$(text_of 3269)"
    fi
    rig_sim battery-saver on >/dev/null
    wait_for 3000 text_is 3269 'DC, Battery Saver' || true
    rig_check "Battery Saver is named ($(text_of 3269))" text_is 3269 'DC, Battery Saver'
    rig_sim battery-saver off >/dev/null
    rig_sim power ac >/dev/null

    # A name too long for its place, while the editor holds an unwritten edit.
    type_into "$dash" 3103 37
    long='Balanced for long evenings of rendering, compiling and gaming 🎮 with every core awake'
    rig_sim rename balanced "$long" >/dev/null
    if wait_for 3000 text_is 3148 "$long"; then
        rig_check "a long name shows whole, word-wrapped ($WAITED ms)" true
    else
        rig_fail "a long name shows whole, word-wrapped" "$(text_of 3148)"
    fi
    rig_check "the pending edit stays ($(text_of 3103))" text_is 3103 37
    away_from_links
    rig_picture "$main" long-name-wrapped
    longer="$long, $long, $long and $long"
    rig_sim rename balanced "$longer" >/dev/null
    if wait_for 3000 text_ends_with_ellipsis; then
        rig_check "a name too long even wrapped is cut with an ellipsis ($WAITED ms)" true
    else
        rig_fail "a name too long even wrapped is cut with an ellipsis" "$(text_of 3148)"
    fi
    rig_check "the cut name begins as the name does" grep -q '^Balanced for long' <<<"$(text_of 3148)"
    rig_check "the pending edit still stays ($(text_of 3103))" text_is 3103 37
    rig_tool hover "$dash" 3148
    sleep 1.5
    rig_picture desktop long-name-tooltip
    # The tooltip's text is the whole name (the host tests read it); here: it shows.
    shown_tips=$(rig_tool windows 'tooltips_class32|*' | awk -F '\t' '$3 == 1' | wc -l)
    rig_check "pointing at the cut name shows its tooltip ($shown_tips)" [ "$shown_tips" -ge 1 ]
    rig_sim rename balanced Balanced >/dev/null
    # The short name moves the lines below it up: the link is clicked where it
    # is once the name shows, and with the tooltip gone.
    wait_for 3000 text_is 3148 Balanced || true
    away_from_links
    sleep 0.5

    # The maker's plan: added by the link, then removed by it.
    click_link 3195
    if ! wait_for 5000 maker_plan_listed; then
        rig_picture desktop link-click-not-taken
        rig_log "top-level windows: $(rig_tool windows '*|*' | awk -F '\t' '$3 == 1' | tr '\n' ';')"
    fi
    rig_check "the link adds the Ostrima Highest Performance plan" maker_plan_listed
    wait_for 3000 text_has 3195 Remove || true
    rig_check "... and then offers to remove it ($(text_of 3195))" text_has 3195 Remove
    click_link 3195
    wait_for 5000 not maker_plan_listed || true
    rig_check "the link removes it again" not maker_plan_listed
    wait_for 3000 text_has 3195 Add || true
    rig_check "... and offers to add it ($(text_of 3195))" text_has 3195 Add
    close_program
fi

# ---- The same version as the running one: no update link. Dark.
rig_sim update version 6.0.2.18 >/dev/null
rig_sim theme dark >/dev/null
rig_sim overlay add all >/dev/null
if open_main; then
    sleep 2
    rig_check "with power modes in use the maker-plan link is hidden" [ "$(visible 3195)" = 0 ]
    wait_for 5000 unparked_line || true
    rig_check "dark: the unparked processors ($(text_of 3159))" unparked_line
    rig_check "an equal version shows no update link" [ "$(visible 3160)" = 0 ]
    rig_check "... and the version line names the running version twice ($(text_of 3153))" \
        grep -q '6.0.2.18.*6.0.2.18' <<<"$(text_of 3153)"
    away_from_links
    rig_picture "$main" dashboard-dark
    close_program
fi
rig_sim theme light >/dev/null

# ---- Other layouts: one class of cores (no composition), two NUMA nodes.
for layout in desktop workstation; do
    rig_sim layout $layout >/dev/null
    if open_main; then
        count=$(rig_controls "$dash" | awk -F '\t' '$2 == "msctls_progress32"' | wc -l)
        wait_for 8000 unparked_line "$count" || true
        rig_check "$layout: the unparked processors ($(text_of 3159))" unparked_line "$count"
        if [ $layout = desktop ]; then
            rig_check "desktop: no composition line" [ "$(visible 9401)" = 0 ]
            wait_for 5000 groups_are '% CPU|' || true
            rig_check "desktop: one group ($(groups))" groups_are '% CPU|'
        else
            wait_for 5000 groups_are 'Node 0|Node 1|' || true
            rig_check "workstation: two groups ($(groups))" groups_are 'Node 0|Node 1|'
        fi
        away_from_links
        rig_picture "$main" dashboard-$layout
        close_program
    fi
done

rig_finish
