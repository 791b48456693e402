#!/usr/bin/env bash
# Every command that `pixelon --help` lists has its section in pixelon(1), and every page
# formats without a warning from groff.
set -uo pipefail
source_dir=$1
pixelon=$2
. "$(dirname "$0")/install_test_lib.sh"
page=$source_dir/man/pixelon.1

commands=$("$pixelon" --help | awk '/^Commands:/ { listing = 1; next } listing && /^  [a-z]/ { print $1 }')
check "pixelon --help lists commands" test -n "$commands"
for command in $commands; do
    # A hyphen in a section title is written "\-" in the page.
    name=${command//-/\\\\-}
    grep -q "^\.SS pixelon $name\( \|$\)" "$page" || fail "pixelon(1) has no section for '$command'"
done
for source in "$source_dir"/man/*.1; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$source" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$source"): $warnings"
done
finish
