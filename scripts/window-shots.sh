#!/usr/bin/env bash
# Screenshots of the program's windows under Xvfb and a window manager, at a scale factor of 1
# and of 2: the main window, the picture editor, Merge, Handset Gateway, the progress window,
# Find Command, the duplicate-ID warning, the Animation Editor and the Portfolio Viewer.
# Usage: scripts/window-shots.sh [BUILD_DIR]   (default build; writes BUILD_DIR/screenshots/)
# Needs the window_shots program (cmake --build BUILD_DIR --target window_shots), Xvfb and twm.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
program="$build/tests/app/window_shots"
[ -x "$program" ] || {
    echo "window-shots: build the window_shots target first" >&2
    exit 1
}
registry=$(mktemp -d)
trap 'rm -rf "$registry"' EXIT
for scale in 1 2; do
    out="$build/screenshots/scale$scale"
    rm -rf "$out"
    # A screen large enough for the 800 x 800 main window at either scale.
    PIXELON_XVFB_SCREEN=$((1100 * scale))x$((1000 * scale))x24 QT_SCALE_FACTOR=$scale \
        PIXELON_REGISTRY_DIR="$registry" XDG_DATA_HOME="$registry/share" \
        "$root/tests/app/x11/run-under-x.sh" "$program" "$out"
done
