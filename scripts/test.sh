#!/usr/bin/env bash
# Builds everything and runs the whole test suite: a short run of every fuzz harness (clang,
# ASan and UBSan), then the unit tests, window tests (offscreen) and end-to-end tests that start
# phonesim, zevovo and the CLI as real processes.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# The module layering, from the include lines alone: cheap, so it runs before any build.
scripts/check-layers.py

if [ -f fuzz/CMakeLists.txt ] && [ "${PIXELON_SKIP_FUZZ:-0}" != 1 ]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPIXELON_FUZZ=ON -DPIXELON_GUI=OFF -DPIXELON_TESTS=OFF
    cmake --build build-fuzz -j "$jobs" --target fuzzers
    scripts/run-fuzzers.sh build-fuzz "${PIXELON_FUZZ_SECONDS:-20}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

# The Debian package of the same build, checked by lintian.
scripts/check-package.sh build
