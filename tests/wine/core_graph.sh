#!/bin/bash
# The core utilisation graph under Wine on the simulated machine's processor
# layouts: one node of eight (two rows of four), five processors (one row),
# two NUMA nodes (two labelled groups side by side), a hybrid processor with
# the emblem on its efficient cores, and bars too narrow for the emblem (a
# circle instead); parked processors in the parked colour, a parked processor
# that shows load drawn unparked, and the tooltips' lines. Verdicts come from
# the controls and pixels read back from the running graph; the pictures are
# for a person to look at (light, and dark through the simulated theme).
#
#   core_graph.sh <build folder> <source folder>
set -u
build=$1
source=$2
. "$source/tests/wine/rig.sh"
rig_start "$build" "$source" core_graph || exit 1

view="$build/graph_view.exe"
win=
# A machine seeded afresh: the prefix may hold one seeded by an older build.
rig_sim reset >/dev/null

# open_graph <layout> <graph_view arguments...>: the graph of that layout in $win.
open_graph() {
    local layout=$1
    shift
    rig_sim layout "$layout" >/dev/null
    rig_launch "$view" "$@"
    win=$(rig_wait 'QuelloraGraphTest|Quellora graph test' 20000) || { win=; rig_fail "a graph of $layout appears"; return 1; }
    sleep 0.5
}
close_graph() {
    rig_tool close "$win" >/dev/null
    rig_exit_code 10
}

# The visible group boxes' labels, left to right, and the bars (id x y w h, by id).
labels() { rig_controls "$win" | awk -F '\t' '$2 == "Button" && $1 >= 900 && $1 < 1000 && $3 == 1 { print $6 "\t" $10 }' | sort -n | cut -f2 | tr '\n' '|'; }
bars() { rig_controls "$win" | awk -F '\t' '$2 == "msctls_progress32" { print $1, $3, $6, $7, $8, $9 }' | sort -n; }
bar_count() { bars | awk '$2 == 1' | wc -l; }
row_count() { bars | awk '$2 == 1 { print $4 }' | sort -u | wc -l; }
# bar_pixel <processor> <dx> <dy>: a pixel of a bar, from its left top corner (negative: from the centre).
bar_pixel() {
    local line
    line=$(bars | awk -v id=$((1000 + $1)) '$1 == id')
    set -- $line "$2" "$3"
    local x=$3 y=$4 w=$5 h=$6 dx=$7 dy=$8
    if [ "$dx" -lt 0 ]; then x=$((x + w / 2)); y=$((y + h / 2)); dx=0; dy=0; fi
    rig_pixel "$win" $((x + dx)) $((y + dy))
}
# greenish RRGGBB: green well above red and blue (the emblem's leaf).
greenish() { local c=$1; [ $((16#${c:2:2})) -gt $((16#${c:0:2} + 40)) ] && [ $((16#${c:2:2})) -gt $((16#${c:4:2} + 20)) ]; }
# emblem_at <processor>: some pixel around the bar's centre is the leaf's.
emblem_at() {
    local line x y w h dx dy c
    line=$(bars | awk -v id=$((1000 + $1)) '$1 == id')
    set -- $line
    x=$(($3 + $5 / 2)); y=$(($4 + $6 / 2))
    for dx in -3 -1 1 3; do
        for dy in -3 -1 1 3; do
            c=$(rig_pixel "$win" $((x + dx)) $((y + dy)))
            greenish "$c" && return 0
        done
    done
    return 1
}

no_emblem_at() { ! emblem_at "$1"; }

# ---- One node of eight: two rows of four; processors 2 and 5 parked.
if open_graph quad-core 420 156 parked=2,5 load=0:40,1:75,3:10,4:100,6:55,7:20; then
    rig_picture "$win" quad-core-light
    rig_check "quad-core: one group labelled with the single-node label ($(labels))" [ "$(labels)" = "% CPU|" ]
    rig_check "quad-core: eight bars" [ "$(bar_count)" = 8 ]
    rig_check "quad-core: in two rows" [ "$(row_count)" = 2 ]
    rig_check "quad-core: a parked processor is in the parked colour ($(bar_pixel 2 2 2))" [ "$(bar_pixel 2 2 2)" = ACACAC ]
    rig_check "quad-core: a busy processor's top is the bar background ($(bar_pixel 0 2 2))" [ "$(bar_pixel 0 2 2)" = DCDCDC ]
    rig_check "quad-core: a processor at 100 % is filled to its top ($(bar_pixel 4 2 2))" [ "$(bar_pixel 4 2 2)" = 328219 ]
    close_graph
fi

# ---- Five processors: one row of five.
if open_graph vm-5 420 156 load=0:30,1:60,2:90,3:15,4:45; then
    rig_picture "$win" five-light
    rig_check "five: five bars" [ "$(bar_count)" = 5 ]
    rig_check "five: in one row" [ "$(row_count)" = 1 ]
    close_graph
fi

# ---- Two NUMA nodes: two labelled groups side by side.
if open_graph workstation 900 156; then
    rig_picture "$win" two-nodes-light
    rig_check "workstation: two groups labelled by node ($(labels))" [ "$(labels)" = "Node 0|Node 1|" ]
    rig_check "workstation: 96 bars" [ "$(bar_count)" = 96 ]
    close_graph
fi

# ---- A hybrid processor: the emblem on the efficient processors (16 to 23),
# parked ones in the parked colour, and a parked processor with load drawn unparked.
for theme in light dark; do
    rig_sim theme $theme >/dev/null
    if open_graph hybrid-laptop 600 156 parked=3,18 busy-parked=5 load=16:0,17:0,19:50,0:80,5:60 tips; then
        rig_picture "$win" hybrid-$theme
        rig_check "hybrid ($theme): 24 bars in two rows" [ "$(bar_count)" = 24 ] && [ "$(row_count)" = 2 ]
        rig_check "hybrid ($theme): an efficient processor carries the emblem" emblem_at 16
        rig_check "hybrid ($theme): a performance processor does not" no_emblem_at 1
        if [ $theme = light ]; then
            rig_check "hybrid: a parked processor is in the parked colour" [ "$(bar_pixel 3 2 2)" = ACACAC ]
            rig_check "hybrid: a parked processor showing load is drawn unparked ($(bar_pixel 5 2 2))" \
                [ "$(bar_pixel 5 2 2)" = DCDCDC ]
        else
            rig_check "hybrid (dark): a parked processor is in the parked colour" [ "$(bar_pixel 3 2 2)" = ACACAC ]
            rig_check "hybrid (dark): the bar background is dark ($(bar_pixel 0 2 2))" [ "$(bar_pixel 0 2 2)" = 303030 ]
        fi
        close_graph
        tips=$(tr -d '\r' <"$RIG_OUT.out")
        rig_check "hybrid ($theme): a parked efficient processor's tooltip has three lines" \
            grep -qx 'tip 0 18 Node 0, Logical CPU 18|Efficient|Parked' <<<"$tips"
        rig_check "hybrid ($theme): a parked performance processor's tooltip has two" \
            grep -qx 'tip 0 3 Node 0, Logical CPU 3|Parked' <<<"$tips"
        rig_check "hybrid ($theme): a parked processor showing load is not called parked" \
            grep -qx 'tip 0 5 Node 0, Logical CPU 5' <<<"$tips"
    fi
done
rig_sim theme light >/dev/null

# ---- Bars too narrow for the emblem: a circle in the frame colour instead.
if open_graph hybrid-laptop 160 156 load=16:0; then
    rig_picture "$win" narrow-light
    c=$(bar_pixel 16 -1 -1)
    rig_check "narrow: an efficient processor's bar shows a circle ($c)" [ "$c" = CCCCCC ]
    rig_check "narrow: no emblem squeezed in" no_emblem_at 16
    close_graph
fi

rig_finish
