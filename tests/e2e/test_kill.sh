#!/usr/bin/env bash
# Killed at any moment: rounds of start, a memo stored through the editor, and kill -9 at a random
# moment. Afterwards every box file reads whole and holds every memo whose store had completed
# (the editor closed while the program still ran). TABUKO_KILL_ROUNDS sets the number of rounds.
source "$(dirname "$0")/lib.sh"
start_display
rounds=${TABUKO_KILL_ROUNDS:-15}

# Checks that box file $1 reads whole: its count, then exactly that many records to the end.
box_reads_whole() {
    perl -e '
        open my $f, "<:raw", $ARGV[0] or exit 1; local $/; my $b = <$f>;
        exit 1 if length($b) < 4; my ($n) = unpack("l<", $b); my $p = 4;
        for (1..$n) { exit 1 if $p + 4 > length($b); my ($l) = unpack("l<", substr($b, $p, 4));
            $p += 4 + $l + 20; exit 1 if $l < 0 || $p > length($b); }
        exit($p == length($b) ? 0 : 1);
    ' "$1"
}

completed=()
for round in $(seq "$rounds"); do
    start_app
    pid=$APP_PID
    # The kill comes at a random moment within the round's first 2.5 s.
    delay=$(awk -v s="$RANDOM" 'BEGIN { srand(s); printf "%.2f", rand() * 2.5 }')
    (sleep "$delay"; kill -9 "$pid" 2>/dev/null) &
    killer=$!
    stored=
    wall=
    for _ in $(seq 60); do
        wall=$(visible_window Tabuko)
        [ -n "$wall" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    editor=
    if [ -n "$wall" ] && kill -0 "$pid" 2>/dev/null; then
        xdotool mousemove --window "$wall" 36 43 click --repeat 2 --delay 80 1 2>/dev/null || true
        for _ in $(seq 20); do
            editor=$(visible_window "Tabuko - [メモ]を新規作成 -")
            [ -n "$editor" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        if [ -n "$editor" ] && kill -0 "$pid" 2>/dev/null; then
            xdotool type --delay 10 "round$round" 2>/dev/null || true
            click_in 245 284 1 "$editor" 2>/dev/null || true
            for _ in $(seq 20); do
                [ -z "$(visible_window "Tabuko - [メモ]を新規作成 -")" ] && break
                sleep 0.05
            done
            # Closed while the program still runs: the store had returned.
            if [ -z "$(visible_window "Tabuko - [メモ]を新規作成 -")" ] && kill -0 "$pid" 2>/dev/null; then
                stored=1
            fi
        fi
    fi
    wait "$killer" 2>/dev/null || true
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    APP_PID=
    [ -n "$stored" ] && completed+=("round$round")
    for f in "$APP"/[1-6].dat; do
        [ -e "$f" ] || continue
        box_reads_whole "$f" || fail "round $round: $(basename "$f") does not read whole"
    done
done

titles=$(box_titles "$APP/1.dat" 2>/dev/null || true)
for memo in "${completed[@]}"; do
    grep -qx "$memo" <<<"$titles" || fail "$memo was stored but is not in 1.dat"
done
echo "rounds: $rounds, stores completed before the kill: ${#completed[@]}, memos in 1.dat: $(grep -c . <<<"$titles" || true)"
[ "${#completed[@]}" -gt 0 ] || echo "note: no store completed before its kill in this run"
echo PASS
