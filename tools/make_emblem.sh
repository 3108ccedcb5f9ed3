#!/bin/sh
# Draws the graph's emblem for efficient processors with ImageMagick: a small
# leaf, 12 × 12 pixels, as two 24-bit bitmaps for the language modules.
#   resources/graph_emblem_light.bmp  dark green on white (drawn with AND on a light bar)
#   resources/graph_emblem_dark.bmp   light green on white (the white is masked away
#                                     and the leaf is ORed onto a dark bar)
# The leaf is drawn eight times larger and scaled down.
#
#   tools/make_emblem.sh [output folder]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../resources}
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

# leaf COLOUR VEIN FILE: a leaf pointing up and right on a 96-unit grid.
leaf() {
    "$convert" -size 96x96 xc:white \
        -fill "$1" -stroke "$1" -strokewidth 2 \
        -draw "path 'M 14,82 C 10,40 40,10 84,12 C 86,56 56,86 14,82 Z'" \
        -stroke "$2" -strokewidth 7 -fill none \
        -draw "path 'M 16,80 C 36,60 56,40 78,18'" \
        -filter Triangle -resize 12x12 $4 -type TrueColor "BMP3:$3"
}

leaf '#1f7a34' '#ffffff' "$out/graph_emblem_light.bmp" ""
# Only pure white is masked away on a dark bar: no anti-aliased edge pixels,
# which would show as a light halo there.
leaf '#7be08a' '#ffffff' "$out/graph_emblem_dark.bmp" "-fuzz 30% -fill white -opaque white -fill #7be08a +opaque white"
echo "make_emblem.sh: wrote $out/graph_emblem_light.bmp and $out/graph_emblem_dark.bmp"
