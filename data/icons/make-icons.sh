#!/usr/bin/env bash
# Draws the toolbar icons (24 x 24 PNG, and 48 x 48 as NAME@2x.png) with ImageMagick. The PNG
# files are kept in the repository; run this again only after changing a drawing.
set -euo pipefail
cd "$(dirname "$0")"

icon() { # name, then ImageMagick -draw primitives
    local name=$1
    shift
    local args=() args2=()
    for d in "$@"; do
        args+=(-draw "$d")
        args2+=(-draw "scale 2,2 $d")
    done
    convert -size 24x24 xc:none -strokewidth 1 "${args[@]}" -strip "PNG32:$name.png"
    # The same drawing at twice the size for screens of two device pixels a point; Qt picks
    # the @2x file by itself when it loads name.png.
    convert -size 48x48 xc:none -strokewidth 1 "${args2[@]}" -strip "PNG32:$name@2x.png"
}

ink='stroke #303030'
page='fill white stroke #505050 '

icon open "fill #e8c050 $ink path 'M2,6 L9,6 L11,8 L20,8 L20,19 L2,19 Z'" \
    "fill #f6d878 $ink path 'M4,11 L22,11 L20,19 L2,19 Z'"
icon save "fill #3a6ea5 $ink roundrectangle 3,3 20,20 2,2" \
    "fill white stroke none rectangle 6,4 17,10" \
    "fill #c0c0c0 stroke none rectangle 7,14 16,20" "fill #3a6ea5 stroke none rectangle 13,15 15,19"
icon print "${page}rectangle 6,2 17,9" "fill #a0a0a0 $ink roundrectangle 2,9 21,17 2,2" \
    "${page}rectangle 6,14 17,21" "fill #40c040 stroke none rectangle 17,11 19,12"
icon print-preview "${page}path 'M4,2 L14,2 L18,6 L18,21 L4,21 Z'" \
    "fill #e0f0ff stroke #303030 stroke-width 2 circle 13,13 17,13" \
    "stroke #303030 stroke-width 3 line 16,16 21,21"
icon edit-picture "fill white stroke #808080 rectangle 2,2 17,17" \
    "stroke #c0c0c0 line 7,2 7,17" "stroke #c0c0c0 line 12,2 12,17" \
    "stroke #c0c0c0 line 2,7 17,7" "stroke #c0c0c0 line 2,12 17,12" \
    "fill #202020 stroke none rectangle 3,3 6,6" "fill #202020 stroke none rectangle 8,8 11,11" \
    "fill #f0b030 $ink polygon 12,20 20,12 23,15 15,23" "fill #303030 stroke none polygon 12,20 15,23 11,23"
icon grabber "fill none stroke #3a6ea5 stroke-dasharray 3,2 rectangle 2,4 21,19" \
    "stroke #c03030 stroke-width 2 line 12,7 12,16" "stroke #c03030 stroke-width 2 line 7,12 17,12"
icon copy "${page}rectangle 2,2 13,15" "${page}rectangle 9,8 20,21" \
    "fill #3a6ea5 stroke none rectangle 11,11 18,18"
icon paste "fill #b08040 $ink roundrectangle 3,3 17,21 2,2" "fill #c0c0c0 $ink rectangle 7,1 13,5" \
    "${page}rectangle 10,9 21,22" "fill #3a6ea5 stroke none rectangle 12,12 19,19"
icon portfolio "fill #3a6ea5 $ink rectangle 2,2 10,10" "fill #40a040 $ink rectangle 13,2 21,10" \
    "fill #e0a030 $ink rectangle 2,13 10,21" "fill #c03030 $ink rectangle 13,13 21,21"
# The phone format type buttons: a colour phone and a grey phone, with the direction of the step.
icon colour-phone "fill #404040 $ink roundrectangle 7,1 17,22 2,2" \
    "fill #ff4040 stroke none rectangle 9,4 12,8" "fill #40c040 stroke none rectangle 12,4 15,8" \
    "fill #4060ff stroke none rectangle 9,8 15,12" "fill #808080 stroke none rectangle 9,15 15,19" \
    "fill #c03030 stroke none polygon 1,12 6,7 6,17"
icon grey-phone "fill #404040 $ink roundrectangle 7,1 17,22 2,2" \
    "fill #c8d0b8 stroke none rectangle 9,4 15,12" "fill #707070 stroke none rectangle 10,6 12,10" \
    "fill #808080 stroke none rectangle 9,15 15,19" "fill #c03030 stroke none polygon 23,12 18,7 18,17"
# The application types: a startup animation, a background picture, a picture in a message.
icon kinetto "fill #202020 $ink rectangle 1,4 22,19" \
    "fill white stroke none rectangle 3,5 5,6" "fill white stroke none rectangle 9,5 11,6" \
    "fill white stroke none rectangle 15,5 17,6" "fill white stroke none rectangle 3,17 5,18" \
    "fill white stroke none rectangle 9,17 11,18" "fill white stroke none rectangle 15,17 17,18" \
    "fill #40c040 stroke none polygon 8,8 16,12 8,16"
icon background "fill #a0d0ff $ink rectangle 1,3 22,20" "fill #ffd020 stroke none circle 17,8 19,8" \
    "fill #308030 stroke none polygon 2,19 8,10 13,16 16,13 21,19"
icon ems "fill white $ink path 'M2,3 L21,3 L21,16 L10,16 L5,21 L6,16 L2,16 Z'" \
    "fill #3a6ea5 stroke none rectangle 5,6 11,13" "stroke #808080 line 13,7 18,7" \
    "stroke #808080 line 13,10 18,10" "stroke #808080 line 13,13 17,13"
icon from-file "${page}path 'M3,1 L12,1 L16,5 L16,18 L3,18 Z'" "fill #3a6ea5 stroke none rectangle 5,7 13,14" \
    "fill #40a040 $ink circle 18,18 23,18" "stroke white stroke-width 2 line 18,15 18,21" \
    "stroke white stroke-width 2 line 15,18 21,18"
icon send "fill #404040 $ink roundrectangle 14,2 22,22 2,2" "fill #c8d0b8 stroke none rectangle 16,5 20,11" \
    "fill #3a6ea5 $ink rectangle 1,8 8,15" "fill #c03030 stroke none polygon 9,9 13,12 9,15"
icon export "fill white $ink rectangle 1,4 14,19" "fill #3a6ea5 stroke none rectangle 3,6 12,17" \
    "fill #c03030 stroke none polygon 14,9 19,9 19,6 23,12 19,18 19,15 14,15"
icon about "fill #3a6ea5 $ink circle 12,12 12,2" "fill white stroke none rectangle 11,10 13,18" \
    "fill white stroke none circle 12,7 12,5.6"
