#!/usr/bin/env bash
# Renders the program icon data/vistrel.svg into the hicolor PNG sizes under data/hicolor/.
# The PNGs are committed; run this after changing the SVG (needs rsvg-convert, librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "data/hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" data/vistrel.svg -o "data/hicolor/${size}x${size}/apps/vistrel.png"
done
