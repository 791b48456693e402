#!/usr/bin/env bash
# Builds small programs against an installed libverrin, as another project would: once with
# pkg-config, once with CMake's find_package(Verrin), and runs them against the installed
# library alone.
set -uo pipefail
build=$1
. "$(dirname "$0")/install_test_lib.sh"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$stage/install.log" 2>&1 || {
    cat "$stage/install.log" >&2
    exit 1
}
root=$stage/usr
pcdir=$(ls -d "$root"/lib/*/pkgconfig "$root"/lib/pkgconfig 2>/dev/null | head -1)
libdir=${pcdir%/pkgconfig}
check "verrin.pc is installed" test -f "$pcdir/verrin.pc"
check "the CMake package is installed" test -f "$libdir/cmake/Verrin/VerrinConfig.cmake"

# The registry of the shared component lives in a folder of the test's own.
export PIXELON_REGISTRY_DIR=$stage/registry
mkdir -p "$PIXELON_REGISTRY_DIR" "$stage/app"
cat >"$stage/app/refcount.c" <<'C'
#include <stdio.h>
#include <verrin.h>
int main(void) {
    char path[16];
    printf("refcount %u path %d\n", (unsigned)GetRefCounter(), GetVerrinPath(path, sizeof path));
    return 0;
}
C

export PKG_CONFIG_LIBDIR=$pcdir
check "pkg-config knows verrin" pkg-config --exists verrin
flags=$(pkg-config --cflags --libs verrin)
incdir=$(pkg-config --cflags-only-I verrin | sed 's/^ *-I//; s/ *$//')
check "pkg-config names the installed header's folder ($incdir)" test -f "$incdir/verrin.h"
# shellcheck disable=SC2086
check "a program builds with pkg-config's flags" \
    cc -o "$stage/app/refcount" "$stage/app/refcount.c" $flags
check "the program links libverrin.so.1" grep -q "NEEDED.*libverrin.so.1" \
    <(readelf -d "$stage/app/refcount")
out=$(LD_LIBRARY_PATH=$libdir "$stage/app/refcount")
check "the program calls the exports (got: $out)" test "$out" = "refcount 0 path 0"

cat >"$stage/app/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(VerrinUser C)
find_package(Verrin 1 REQUIRED)
add_executable(refcount refcount.c)
target_link_libraries(refcount PRIVATE Verrin::verrin)
CMAKE
if cmake -S "$stage/app" -B "$stage/app/build" -DCMAKE_PREFIX_PATH="$root" >"$stage/cmake.log" 2>&1 &&
    cmake --build "$stage/app/build" >>"$stage/cmake.log" 2>&1; then
    out=$(LD_LIBRARY_PATH=$libdir "$stage/app/build/refcount")
    check "the CMake-built program calls the exports (got: $out)" test "$out" = "refcount 0 path 0"
else
    cat "$stage/cmake.log" >&2
    fail "a program builds with find_package(Verrin)"
fi
finish
