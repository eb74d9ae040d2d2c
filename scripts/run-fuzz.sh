#!/bin/sh
# Runs the inventory XML reader's fuzz target for a bounded time.
# Usage: scripts/run-fuzz.sh BUILD_DIR SECONDS
# New inputs collect in fuzz/corpus-run/ (not versioned); crashes, leaks and timeouts are
# written to BUILD_DIR/fuzz-artifacts/ and end the run with a failure.
set -eu
build=${1:?usage: run-fuzz.sh BUILD_DIR SECONDS}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
target=$(find "$build" -type f -name fuzz_inventory_reader -perm -u+x | head -n 1)
if [ -z "$target" ]; then
    echo "run-fuzz.sh: fuzz_inventory_reader is not built in $build" >&2
    exit 1
fi
seeds="$root/fuzz/inventory_reader/corpus"
work="$root/fuzz/corpus-run/inventory_reader"
artifacts="$build/fuzz-artifacts"
mkdir -p "$work" "$artifacts"
# The reader prints a line for every rejected document: the target's own output is dropped
# (-close_fd_mask=3); libFuzzer and the sanitizer still report.
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -close_fd_mask=3 -print_final_stats=1 -dict="$root/fuzz/inventory_reader/inventory.dict" \
    -artifact_prefix="$artifacts/" "$work" "$seeds"
