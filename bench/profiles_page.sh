#!/bin/bash
# Figures of the profiles page under Wine on the simulated machine (they
# print, they judge nothing): with 1,000 profiles in the store, the time from
# a click on the page's navigation row to the page shown with its list filled
# again and painted; the same with an empty store for comparison; median,
# minimum and maximum of the runs.
#
#   bench/profiles_page.sh <windows-sim build folder> [runs]     (10 runs by default)
set -u
build=$(cd "$1" && pwd)
runs=${2:-10}
source=$(cd "$(dirname "$0")/.." && pwd)
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" profiles_page_bench >/dev/null 2>&1 || exit 1

exe="$build/quellora.exe"
MAIN='#32770|Quellora – Core*'

summary() {  # summary <title>: the figures read from standard input, one a line
    sort -n | awk -v title="$1" '{ v[NR] = $1 } END {
        if (NR == 0) { printf "%-52s no figures\n", title; exit }
        printf "%-52s ms median %.1f min %.1f max %.1f (%d runs)\n", title, v[int((NR + 1) / 2)], v[1], v[NR], NR }'
}

# measure <title>: opens the window, clicks the profiles row (2) and the
# events row (4) in turn, keeps the profiles page's figures.
measure() {
    rig_launch "$exe" /nosystray
    local main
    if main=$(rig_wait "$MAIN" 30000); then
        sleep 1
        rig_tool time-select "$main" 9400 2 4 $((runs * 2)) | awk 'NR % 2 == 1' | summary "$1"
        rows=$(rig_tool rows "$(rig_tool children "$main" | awk -F '\t' '$3 == "#32770" { print $1 }' | sed -n 3p)" 9424 | wc -l)
        echo "  (rows in the list: $rows)"
        rig_tool close "$main"
        rig_exit_code 20
    else
        echo "$1: the main window did not open"
    fi
}

rig_sim reset hybrid-laptop >/dev/null
measure "profiles page shown, list filled, 0 profiles"

# 1,000 profiles: one saved by the console command, copied under other names and times.
rig_wine "$exe" /saveprofile Seed balanced >/dev/null
folder="$(rig_local_appdata)/Quellora/Profiles"
if [ -f "$folder/Seed.json" ]; then
    for i in $(seq 0 999); do
        sed -e "s/\"name\": *\"Seed\"/\"name\": \"Profile $i\"/" \
            -e "s/\"captured\": *\"[^\"]*\"/\"captured\": \"2025-$(printf '%02d-%02dT%02d:%02d' $((1 + i % 12)) $((1 + i % 28)) $((i % 24)) $((i % 60))):00Z\"/" \
            "$folder/Seed.json" >"$folder/Profile $i.json"
    done
    rm -f "$folder/Seed.json"
    measure "profiles page shown, list filled, 1,000 profiles"
else
    echo "no profile could be saved: $(ls "$folder" 2>&1)"
fi
rig_stop
