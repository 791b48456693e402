#!/usr/bin/env bash
# Drives the bash completion of pixelon as bash would, and checks what it offers.
set -uo pipefail
completion=$1
. "$(dirname "$0")/install_test_lib.sh"
if [ ! -f /usr/share/bash-completion/bash_completion ]; then
    echo "bash-completion is not installed" >&2
    exit 1
fi
. /usr/share/bash-completion/bash_completion
. "$completion"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch demo.pfo font.r photo.jpg logo.gif notes.txt out.pdf art.png
mkdir folder

complete_line() { # the words of a command line; the last one is being completed
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _pixelon
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
expect() { # expect DESCRIPTION EXPECTED ACTUAL
    [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}

expect "commands starting with i" "ids import info " "$(complete_line pixelon i)"
expect "phone subcommands" "receive search send " "$(complete_line pixelon phone '')"
expect "merge's --keep values" "both ours theirs " "$(complete_line pixelon merge a.pfo b.pfo --keep '')"
expect "info offers portfolios and folders" "demo.pfo folder font.r " "$(complete_line pixelon info '')"
expect "import offers pictures after the portfolio" "art.png folder logo.gif photo.jpg " \
    "$(complete_line pixelon import demo.pfo '')"
expect "print's output is a PDF" "folder out.pdf " "$(complete_line pixelon print demo.pfo -o '')"
expect "export options" "--app-type " "$(complete_line pixelon export demo.pfo --app)"
expect "commands starting with bdf" "bdf bdf-export " "$(complete_line pixelon bdf)"
touch font.bdf
expect "bdf-export's output is a BDF font" "folder font.bdf " \
    "$(complete_line pixelon bdf-export demo.pfo -o '')"
expect "the long commands can be quiet" "--quiet " "$(complete_line pixelon sheet demo.pfo --q)"
expect "export's formats" "gif jpg png wbmp " "$(complete_line pixelon export demo.pfo --format '')"
expect "thumbnail writes a PNG" "art.png folder " "$(complete_line pixelon thumbnail demo.pfo '')"
expect "thumbnail's size is free" " " "$(complete_line pixelon thumbnail demo.pfo t.png '')"
finish
