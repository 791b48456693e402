#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and runs the installed programs from there, with
# the build folder out of reach: nothing may point back into it.
set -uo pipefail
build=$1
. "$(dirname "$0")/install_test_lib.sh"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# Stripped, as the package installs them: the debugging sections name the build folder, which
# says nothing about what the programs need at run time.
DESTDIR="$stage" cmake --install "$build" --prefix /usr --strip >"$stage.log" 2>&1 || {
    cat "$stage.log" >&2
    rm -f "$stage.log"
    exit 1
}
rm -f "$stage.log"
root=$stage/usr

for program in pixelon vistrel phonesim zevovo verrin-cli; do
    check "$program is installed and executable" test -x "$root/bin/$program"
done
libverrin=$(cd "$root" && ls lib/*/libverrin.so.1 lib/libverrin.so.1 2>/dev/null | head -1)
check "libverrin.so.1 is installed in the system's library folder" test -n "$libverrin"
check "libverrin.so.1 carries its soname" grep -q "SONAME.*libverrin.so.1" <(readelf -d "$root/$libverrin")
check "libverrin.so links to libverrin.so.1" test "$(readlink -f "$root/${libverrin%.1}")" = "$(readlink -f "$root/$libverrin")"
qtmodule=$(cd "$root" && ls lib/*/pixelon/pixelon-qt.so lib/pixelon/pixelon-qt.so 2>/dev/null | head -1)
check "pixelon-qt.so is installed in the package's library folder" test -n "$qtmodule"
check "verrin.h is installed" test -f "$root/include/verrin.h"
check "desktop entry is installed" test -f "$root/share/applications/vistrel.desktop"
check "MIME package is installed" test -f "$root/share/mime/packages/pixelon-mime.xml"
check "scalable icon is installed" test -f "$root/share/icons/hicolor/scalable/apps/vistrel.svg"
for size in 16 22 24 32 48 64 128 256; do
    icon=$root/share/icons/hicolor/${size}x${size}/apps/vistrel.png
    check "${size}px icon is installed" test -f "$icon"
    check "${size}px icon has its size" grep -q "PNG image data, $size x $size" <(file "$icon")
done
for page in vistrel pixelon phonesim zevovo verrin-cli; do
    check "$page(1) is installed" test -f "$root/share/man/man1/$page.1.gz"
done
check "thumbnailer entry is installed" test -f "$root/share/thumbnailers/pixelon.thumbnailer"
check "bash completion is installed" test -f "$root/share/bash-completion/completions/pixelon"
check "copyright is installed" test -f "$root/share/doc/pixelon/copyright"

# The installed programs run from the temporary prefix, away from the build folder.
cd "$stage"
check "installed pixelon --help" "$root/bin/pixelon" --help >/dev/null
check "installed vistrel --help" "$root/bin/vistrel" --help >/dev/null
check "installed phonesim --help" "$root/bin/phonesim" --help >/dev/null
check "installed zevovo --help" "$root/bin/zevovo" --help >/dev/null
version=$(sed -n 's/^project(Pixelon VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
for program in pixelon vistrel phonesim zevovo verrin-cli; do
    check "installed $program --version prints $version" \
        test "$("$root/bin/$program" --version)" = "$program $version"
done
check "installed pixelon finds its drawing module" \
    "$root/bin/pixelon" print "$root/share/doc/pixelon/demo.pfo" -o "$stage/demo.pdf"
check "installed pixelon wrote the PDF" test -s "$stage/demo.pdf"
check "installed pixelon reads the sample" \
    "$root/bin/pixelon" info "$root/share/doc/pixelon/demo.pfo" >/dev/null
# The installed verrin-cli finds the installed library relative to itself.
check "installed verrin-cli loads libverrin.so" "$root/bin/verrin-cli" qlx >/dev/null
for program in bin/pixelon bin/vistrel bin/phonesim bin/zevovo bin/verrin-cli $libverrin $qtmodule; do
    # grep reads to the end (no -q), so the first program of the pipe is never cut off and the
    # pipe's status is grep's own.
    if strings "$root/$program" | grep -F "$build" >/dev/null; then
        fail "$program holds the build folder path $build"
    fi
    if readelf -d "$root/$program" | grep -E 'RPATH|RUNPATH' >/dev/null; then
        fail "$program keeps a run path into the build"
    fi
done

check "desktop entry passes desktop-file-validate" \
    desktop-file-validate "$root/share/applications/vistrel.desktop"
check "MIME package is well-formed XML" xmllint --noout "$root/share/mime/packages/pixelon-mime.xml"
check "MIME cache builds from the package" update-mime-database "$root/share/mime"
check "MIME cache knows the portfolio type" grep -q "application/x-vistrel-portfolio" \
    "$root/share/mime/globs2"
finish
