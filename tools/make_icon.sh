#!/bin/sh
# Draws resources/quellora.ico with ImageMagick: a processor with four cores
# on a dark-blue rounded square, two cores lit and two parked (dimmed).
# Sizes 16, 24, 32, 48 and 256; the two smallest leave out the pins so that
# the cores stay readable. Each size is drawn four times larger and scaled down.
#
#   tools/make_icon.sh [output.ico [lit cores [sizes]]]
#
# The notification-area icons of the language modules are drawn the same way:
#   tools/make_icon.sh resources/tray_normal.ico 0123 "16 20 24 32 48"   (every core runs)
#   tools/make_icon.sh resources/tray_parked.ico 03 "16 20 24 32 48"     (two cores parked)
# Cores are numbered 0 top left, 1 top right, 2 bottom left, 3 bottom right.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../resources/quellora.ico}
litCores=${2:-03}
sizes=${3:-16 24 32 48 256}
# The real ImageMagick (some machines put a stand-in named convert earlier in PATH).
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

background='#12295a'
rim='#2c4f8f'
chip='#1d3f7a'
chipEdge='#8fb4ee'
lit='#52d6ff'
litEdge='#c8f3ff'
parked='#34476b'
parkedEdge='#4a5f86'

# draw SIZE: the icon of that size into $work/SIZE.png. Coordinates are on a
# 64-unit grid.
draw() {
    size=$1
    big=$((size * 4))
    p() { awk -v v="$1" -v b="$big" 'BEGIN { printf "%.2f", v * b / 64 }'; }
    if [ "$size" -le 24 ]; then
        chipBox="8 8 56 56 6"
        cores="12 12 28 28|36 12 52 28|12 36 28 52|36 36 52 52"
        pins=""
        edge=1.5
    else
        chipBox="14 14 50 50 4"
        cores="18 18 30 30|34 18 46 30|18 34 30 46|34 34 46 46"
        pins="22 32 42"
        edge=1.2
    fi
    set -- $chipBox
    cmd="fill $background stroke $rim stroke-width $(p 1.5) roundrectangle $(p 0.75),$(p 0.75) $(p 63.25),$(p 63.25) $(p 12),$(p 12) "
    for x in $pins; do
        cmd="$cmd stroke $chipEdge stroke-width $(p 3) line $(p "$x"),$(p 7) $(p "$x"),$(p 14)"
        cmd="$cmd line $(p "$x"),$(p 50) $(p "$x"),$(p 57)"
        cmd="$cmd line $(p 7),$(p "$x") $(p 14),$(p "$x")"
        cmd="$cmd line $(p 50),$(p "$x") $(p 57),$(p "$x")"
    done
    cmd="$cmd fill $chip stroke $chipEdge stroke-width $(p "$edge") roundrectangle $(p "$1"),$(p "$2") $(p "$3"),$(p "$4") $(p "$5"),$(p "$5")"
    n=0
    echo "$cores" | tr '|' '\n' > "$work/cores"
    while read -r x0 y0 x1 y1; do
        # The cores named in $litCores run; the others are parked.
        case "$litCores" in *$n*) fill=$lit; line=$litEdge ;; *) fill=$parked; line=$parkedEdge ;; esac
        cmd="$cmd fill $fill stroke $line stroke-width $(p 1) roundrectangle $(p "$x0"),$(p "$y0") $(p "$x1"),$(p "$y1") $(p 2),$(p 2)"
        n=$((n + 1))
    done < "$work/cores"
    "$convert" -size "${big}x${big}" xc:none -draw "$cmd" -filter Box -resize "${size}x${size}" \
        -depth 8 -define png:color-type=6 "$work/$size.png"
}

pngs=""
for size in $sizes; do
    draw "$size"
    pngs="$pngs $work/$size.png"
done
# shellcheck disable=SC2086
"$convert" $pngs -depth 8 "$out"
echo "make_icon.sh: wrote $out"
