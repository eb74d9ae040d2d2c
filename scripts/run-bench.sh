#!/bin/sh
# Runs every benchmark program built under BUILD_DIR/bench, one after the other.
# Usage: scripts/run-bench.sh BUILD_DIR
set -eu
build=${1:?usage: run-bench.sh BUILD_DIR}
if [ ! -d "$build/bench" ]; then
    echo "run-bench.sh: no benchmarks in $build (configure with -DVK_BUILD_BENCH=ON)" >&2
    exit 1
fi
status=0
for program in $(find "$build/bench" -type f -perm -u+x ! -name '*.so*' | sort); do
    case "$program" in */CMakeFiles/*) continue ;; esac
    echo "== $program"
    "$program" || status=1
done
exit $status
