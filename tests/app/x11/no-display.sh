#!/usr/bin/env bash
# vistrel started without any display ends with status 1 and one line on standard error.
set -uo pipefail
vistrel=$1
err=$(mktemp)
trap 'rm -f "$err"' EXIT
for case in unset silent; do
    if [ "$case" = unset ]; then
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$vistrel" 2>"$err" >/dev/null
    else
        # A display that no server answers.
        env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=":$((RANDOM % 1000 + 7000))" \
            "$vistrel" 2>"$err" >/dev/null
    fi
    status=$?
    lines=$(wc -l <"$err")
    if [ "$status" -ne 1 ] || [ "$lines" -ne 1 ] || ! grep -q '^vistrel: ' "$err"; then
        echo "status $status, $lines lines:" >&2
        cat "$err" >&2
        exit 1
    fi
    cat "$err"
done
