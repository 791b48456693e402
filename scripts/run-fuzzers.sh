#!/usr/bin/env bash
# Runs every fuzz harness in BUILD_DIR/fuzz for SECONDS each, over its seed corpus.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-20}
cd "$(dirname "$0")/.."
status=0
for harness in "$build"/fuzz/fuzz_*; do
    [ -x "$harness" ] || continue
    name=$(basename "$harness")
    corpus=fuzz/corpus/${name#fuzz_}
    work=$(mktemp -d)
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
    echo "== $name for ${seconds}s"
    # The harnesses accept inputs up to the program's own limits: the memory limit keeps a run
    # within the machine's means, and one input near the limits may take many seconds.
    if ! "$harness" -max_total_time="$seconds" -rss_limit_mb="${PIXELON_FUZZ_RSS_MB:-2048}" \
        -timeout=120 "$work" >"$work.log" 2>&1; then
        tail -n 40 "$work.log"
        status=1
    fi
    rm -rf "$work" "$work.log"
done
exit $status
