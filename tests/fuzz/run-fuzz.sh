#!/bin/sh
# Runs one fuzz target for a bounded time: run-fuzz.sh <target> <scratch dir> <seed dir> <seconds>
# New inputs go to the scratch dir, which starts empty each run; the seeds are only read.
# Paths are made absolute: the skin target changes its current directory.
set -eu
target=$1 work=$2 seeds=$(cd "$3" && pwd) seconds=$4
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
work=$(cd "$work" && pwd)
# Qt and fontconfig keep process-lifetime allocations; leaks are not what these targets check.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export QT_QPA_PLATFORM=offscreen
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -detect_leaks=0 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" "$seeds"
