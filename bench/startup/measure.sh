#!/usr/bin/env bash
# Start-up of tabuko next to the minimal Qt program, under Xvfb with a tray host.
# Usage: bench/startup/measure.sh <build dir> [runs] [runs of the 100,000-memo box]   (build dir configured with TABUKO_BENCH=ON)
# Times: from just before exec until the window titled ^Tabuko$ (^Minimal$) is mapped and
# viewable, found by polling xdotool search --onlyvisible every 5 ms (resolution about 5 ms plus
# one xdotool call). Memory: VmRSS two seconds after the window appeared. Medians of the runs.
set -euo pipefail
BUILD=$(cd "${1:?build dir}" && pwd)
RUNS=${2:-7}
# The 100,000-memo box starts in tens of seconds; it runs this many times.
BIG_RUNS=${3:-1}
for tool in Xvfb trayer xdotool xwininfo; do
    command -v "$tool" >/dev/null || { echo "needs $tool"; exit 77; }
done
WORK=$(mktemp -d /tmp/tabuko-startup.XXXXXX)
PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

for n in $(seq 150 199); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
PIDS+=($!)
export DISPLAY=:$n
for _ in $(seq 100); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
trayer --edge bottom --align right --widthtype request --height 32 >/dev/null 2>&1 &
PIDS+=($!)
sleep 1

# Portable folders: six boxes of 1,000 memos; one box of 100,000 memos.
make_folder() {
    local dir=$WORK/$1
    mkdir -p "$dir"
    cp -r "$BUILD"/Tabuko/tabuko "$BUILD"/Tabuko/skin "$dir"/
    cp "$BUILD"/Tabuko/*.txt "$dir"/ 2>/dev/null || true
    rm -f "$dir"/TabukoDelLog.txt "$dir"/TabukoExc.ini
    shift
    [ $# -gt 1 ] && "$BUILD"/bench/tabuko_makeboxes "$dir" "$@"
    return 0
}
make_folder six 1000 1 2 3 4 5 6
make_folder big 100000 1
make_folder empty 0

now_ms() { date +%s%3N; }

# One run: prints "milliseconds kib".
measure() {
    local dir=$1 title=$2 start pid end rss cpu
    shift 2
    start=$(now_ms)
    (cd "$dir" && exec "$@" >/dev/null 2>&1) &
    pid=$!
    until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
        sleep 0.005
        kill -0 "$pid" 2>/dev/null || { echo "$title ended early" >&2; return 1; }
    done
    end=$(now_ms)
    sleep 2
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
    # CPU time used so far by all its threads (the scheduler's count, in ns): less disturbed by a
    # loaded machine than the wall time.
    cpu=$(cat /proc/"$pid"/task/*/schedstat | awk '{ns += $1} END {printf "%.1f", ns / 1e6}')
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$((end - start)) $rss $cpu"
}

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

declare -A TIMES RSS CPU
CASES=(minimal six empty big)
for run in $(seq "$RUNS"); do
    for c in "${CASES[@]}"; do
        [ "$c" = big ] && [ "$run" -gt "$BIG_RUNS" ] && continue
        case $c in
        minimal) r=$(measure "$WORK" Minimal "$BUILD"/bench/tabuko_minimal 312 86) ;;
        *) r=$(measure "$WORK/$c" Tabuko ./tabuko) ;;
        esac
        read -r t m u <<<"$r"
        TIMES[$c]+="$t"$'\n'
        RSS[$c]+="$m"$'\n'
        CPU[$c]+="$u"$'\n'
    done
done

printf '%-8s %10s %10s %8s   (medians of %d runs)\n' case start-ms rss-kib cpu-ms "$RUNS"
for c in "${CASES[@]}"; do
    [ -n "${TIMES[$c]:-}" ] || continue
    t=$(printf '%s' "${TIMES[$c]}" | median)
    m=$(printf '%s' "${RSS[$c]}" | median)
    u=$(printf '%s' "${CPU[$c]}" | median)
    printf '%-8s %10s %10s %8s   runs: %s\n' "$c" "$t" "$m" "$u" "$(printf '%s' "${TIMES[$c]}" | tr '\n' ' ')"
done
