#!/usr/bin/env bash
# Runs the command line the thumbnailer entry names, as a file manager does (%i the portfolio,
# %o the PNG to write, %s the size), and checks the PNG with ImageMagick and pngcheck.
set -uo pipefail
source_dir=$1
pixelon=$2
. "$(dirname "$0")/install_test_lib.sh"
entry=$source_dir/data/pixelon.thumbnailer
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check "the entry is a thumbnailer entry" grep -qx '\[Thumbnailer Entry\]' "$entry"
check "the entry names the portfolio type of the MIME package" \
    grep -q "type=\"$(sed -n 's/^MimeType=\([^;]*\);*$/\1/p' "$entry")\"" \
    "$source_dir/data/pixelon-mime.xml"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
check "the entry has a command line" test -n "$exec_line"

# Two 4 x 4 pictures, red with a blue top-left pixel and a transparent corner, and green.
convert -size 4x4 xc:red -fill blue -draw "color 0,0 point" -fill none -draw "color 3,3 point" \
    PNG8:"$work/a.png" || fail "ImageMagick made no picture"
convert -size 4x4 xc:lime PNG8:"$work/b.png"
"$pixelon" import "$work/in folder.pfo" "$work/a.png" "$work/b.png" >/dev/null ||
    fail "import of the test pictures"

run_entry() { # run_entry SIZE OUT: the Exec line with its fields filled, the portfolio quoted
    local line=${exec_line//%i/\"$work/in folder.pfo\"}
    line=${line//%o/\"$2\"}
    line=${line//%s/$1}
    PATH="$(dirname "$pixelon"):$PATH" eval "$line"
}
pixel() { convert "$1" -format "%[pixel:p{$2}]" info:; }

check "the entry's command line writes a thumbnail" run_entry 128 "$work/t.png"
check "pngcheck accepts the thumbnail" pngcheck -q "$work/t.png"
size=$(identify -format "%w %h" "$work/t.png")
# Two pictures: two columns of 64-pixel cells, each picture 15 times as large (60 pixels),
# centred with a 2-pixel border.
[ "$size" = "128 64" ] || fail "thumbnail size is '$size', not '128 64'"
[ "$(pixel "$work/t.png" 2,2)" = "srgba(0,0,255,1)" ] || fail "top-left pixel is $(pixel "$work/t.png" 2,2)"
[ "$(pixel "$work/t.png" 20,20)" = "srgba(255,0,0,1)" ] || fail "red pixel is $(pixel "$work/t.png" 20,20)"
[ "$(pixel "$work/t.png" 61,61)" = "srgba(0,0,0,0)" ] ||
    fail "transparent corner is $(pixel "$work/t.png" 61,61)"
[ "$(pixel "$work/t.png" 100,30)" = "srgba(0,255,0,1)" ] || fail "second picture is $(pixel "$work/t.png" 100,30)"
[ "$(pixel "$work/t.png" 1,1)" = "srgba(0,0,0,0)" ] || fail "the border is $(pixel "$work/t.png" 1,1)"

# A small size still fits; a portfolio without pictures and a bad size write nothing.
check "a 16-pixel thumbnail" run_entry 16 "$work/s.png"
size=$(identify -format "%w %h" "$work/s.png")
[ "$size" = "16 8" ] || fail "16-pixel thumbnail is '$size'"
printf 'x' >"$work/empty.pfo"
if "$pixelon" thumbnail "$work/empty.pfo" "$work/e.png" 64 2>/dev/null; then
    fail "an unreadable portfolio gave a thumbnail"
fi
if "$pixelon" thumbnail "$work/in folder.pfo" "$work/z.png" 0 2>/dev/null; then
    fail "size 0 gave a thumbnail"
fi
check "nothing written for failures" test ! -e "$work/e.png" -a ! -e "$work/z.png"
finish
