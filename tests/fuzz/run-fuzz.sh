#!/bin/sh
# Runs one fuzz target for a bounded time: run-fuzz.sh <target> <scratch dir> <seed dir> <seconds>
# New inputs go to the scratch dir, which starts empty each run; the seeds are only read.
set -eu
target=$1 work=$2 seeds=$3 seconds=$4
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" "$seeds"
