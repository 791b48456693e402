#!/bin/bash
# Whole-process comparison of `pixelon decode` / `pixelon encode` with the reference programs
# (djpeg, cjpeg, gif2rgb, pamtogif) on 1280 x 1024 photo-like pictures (a noisy and a smooth
# one), and of `pixelon bdf` importing GNU Unifont (pcf2bdf of xfonts-unifont's PCF file) with
# FreeType loading every glyph of the same BDF file.
#
# Usage: bench/compare.sh [PAIRS]      (default 10)
#        PIXELON=/path/to/pixelon bench/compare.sh [PAIRS]   (an existing build, e.g. an older one)
#
# Builds pixelon in release into build-bench, makes the inputs in a temporary folder, then
# runs each pair of commands PAIRS times, ours and the reference one after the other, timing
# each process with hyperfine. Prints the median of the per-pair ratios ours / reference,
# for CPU time (user + system; the steadier figure on a loaded machine) and for elapsed time.
set -euo pipefail

pairs=${1:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench

for tool in djpeg cjpeg gif2rgb pamtogif convert hyperfine python3 pcf2bdf cc pkg-config; do
    command -v "$tool" >/dev/null || { echo "compare.sh: $tool is not installed" >&2; exit 1; }
done

pixelon=${PIXELON:-}
if [ -z "$pixelon" ]; then
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIXELON_BENCH=ON >/dev/null
    fi
    cmake --build "$build" -j2 --target pixelon >/dev/null
    pixelon=$build/cli/pixelon
fi
pixelon=$(realpath "$pixelon")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# A smooth fractal with grain stands in for a noisy photo, the same fractal blurred for a smooth
# one (where the transform, up-sampling and colour conversion weigh most); the seed keeps them
# the same.
convert -seed 7 -size 1280x1024 plasma:fractal -attenuate 0.4 +noise Gaussian -depth 8 photo.ppm
cjpeg -quality 95 -sample 2x2 -outfile photo.jpg photo.ppm
convert -seed 7 -size 1280x1024 plasma:fractal -blur 0x6 -depth 8 smooth.ppm
cjpeg -quality 95 -sample 2x2 -outfile smooth.jpg smooth.ppm
convert photo.ppm -dither None -colors 256 photo.gif
gif2rgb -1 -o photo.rgb photo.gif
convert -size 1280x1024 -depth 8 rgb:photo.rgb photo256.ppm

# The font: 57,086 glyphs, 9.4 MB of text. The FreeType side is a small program that opens the
# BDF file and loads every glyph, as a whole process like ours.
unifont=/usr/share/fonts/X11/misc/unifont.pcf.gz
[ -f "$unifont" ] || { echo "compare.sh: xfonts-unifont is not installed" >&2; exit 1; }
pcf2bdf -o unifont.bdf "$unifont"
cat >ftload.c <<'C'
#include <ft2build.h>
#include FT_FREETYPE_H
int main(int argc, char** argv) {
    FT_Library library;
    FT_Face face;
    if (argc < 2 || FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face))
        return 1;
    for (FT_Long i = 0; i < face->num_glyphs; ++i)
        FT_Load_Glyph(face, (FT_UInt)i, FT_LOAD_DEFAULT);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
C
cc -O2 ftload.c -o ftload $(pkg-config --cflags --libs freetype2)

# compare NAME "OURS" "REFERENCE" [OUTPUT]: PAIRS runs of hyperfine, each timing one run of
# ours and then one of the reference (so the two alternate), then the medians. Outputs are
# removed before every run, so each run writes a new file. OUTPUT takes the commands' standard
# output.
compare() {
    local name=$1 ours=$2 ref=$3 output=${4:-null}
    rm -f runs.txt
    for ((i = 0; i < pairs; ++i)); do
        hyperfine -N --runs 1 --style none --output "$output" --prepare "rm -f out.ppm out.jpg out.gif ref.ppm ref.jpg ref.rgb unifont.pfo" \
            --export-json run.json "$ours" "$ref" >/dev/null 2>&1
        python3 -c '
import json, sys
r = json.load(open("run.json"))["results"]
print(" ".join("%.6f %.6f" % (x["user"] + x["system"], x["times"][0]) for x in r))' >>runs.txt
    done
    python3 - "$name" <<'PY'
import statistics, sys
rows = [list(map(float, line.split())) for line in open("runs.txt")]
med = lambda xs: statistics.median(xs)
cpu = med([r[0] / r[2] for r in rows if r[2] > 0])
wall = med([r[1] / r[3] for r in rows if r[3] > 0])
print("%-22s %9.1f ms %9.1f ms %9.1f ms %9.1f ms %7.2fx %7.2fx" % (
    sys.argv[1], 1000 * med([r[0] for r in rows]), 1000 * med([r[2] for r in rows]),
    1000 * med([r[1] for r in rows]), 1000 * med([r[3] for r in rows]), cpu, wall))
PY
}

echo "pixelon: $pixelon"
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "simd:    $(grep -m1 -o -w avx2 /proc/cpuinfo || echo 'no avx2')"
echo "pairs:   $pairs (medians; ratios are ours / reference)"
printf "%-22s %12s %12s %12s %12s %8s %8s\n" "work" "ours cpu" "ref cpu" "ours time" "ref time" "cpu" "elapsed"
compare "JPEG decode to PPM" "$pixelon decode photo.jpg -o out.ppm" "djpeg -outfile ref.ppm photo.jpg"
compare "JPEG decode, smooth" "$pixelon decode smooth.jpg -o out.ppm" "djpeg -outfile ref.ppm smooth.jpg"
compare "JPEG encode, optimised" "$pixelon encode photo.ppm -o out.jpg" \
    "cjpeg -quality 95 -optimize -outfile ref.jpg photo.ppm"
compare "GIF decode to PPM" "$pixelon decode photo.gif -o out.ppm" "gif2rgb -1 -o ref.rgb photo.gif"
compare "GIF encode" "$pixelon encode photo256.ppm -o out.gif" "pamtogif photo256.ppm" ./ref.gif
compare "BDF import, Unifont" "$pixelon bdf unifont.bdf unifont.pfo" "./ftload unifont.bdf"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
