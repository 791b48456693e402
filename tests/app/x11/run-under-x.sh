#!/usr/bin/env bash
# Runs a command under a private X server (Xvfb, on a display number it picks itself) with the
# twm window manager, so window frames and title bars are real. Exit 77 (skipped) when either
# program is missing.
set -euo pipefail
command -v Xvfb >/dev/null && command -v twm >/dev/null || {
    echo "Xvfb or twm is not installed" >&2
    exit 77
}
dir=$(mktemp -d)
xvfb=
wm=
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
# PIXELON_XVFB_SCREEN gives another screen size (WIDTHxHEIGHTxDEPTH), e.g. for a scale factor of 2.
Xvfb -displayfd 3 -screen 0 "${PIXELON_XVFB_SCREEN:-1024x900x24}" -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
done
[ -s "$dir/display" ] || {
    cat "$dir/xvfb.log" >&2
    exit 1
}
export DISPLAY=":$(head -1 "$dir/display")"
# Windows go where they ask to be, with no interactive placement; the fonts are ones every X
# server has built in.
cat >"$dir/twmrc" <<'RC'
RandomPlacement
NoGrabServer
BorderWidth 1
TitleFont "fixed"
MenuFont "fixed"
IconFont "fixed"
ResizeFont "fixed"
IconManagerFont "fixed"
RC
LC_ALL=C twm -f "$dir/twmrc" 2>"$dir/twm.log" &
wm=$!
sleep 0.5
export QT_QPA_PLATFORM=xcb
"$@"
