#!/usr/bin/env bash
# SIGTERM with the editor open on a full disk ($3: bare or openbox): the data folder is a 64 KiB
# tmpfs that this test mounts and fills once the program runs, so that neither the settings nor
# the draft can be written. The program shows no message box, says on standard error what it
# could not keep, and ends at once with a non-zero status; the box files stay as they were.
source "$(dirname "$0")/lib.sh"
command -v mountpoint >/dev/null || { echo "SKIP: mountpoint is not installed"; exit 77; }
DATA=$WORK/data
mkdir -p "$DATA"
mount -t tmpfs -o size=64k,mode=0700 tabuko-e2e "$DATA" 2>/dev/null ||
    { echo "SKIP: cannot mount a tmpfs (needs root)"; exit 77; }
trap 'status=$?; umount "$DATA" 2>/dev/null || umount -l "$DATA"; (exit $status); cleanup' EXIT
start_desktop "${3:?desktop}"

make_box "$DATA/2.dat" "45000|kept as it is"
box2=$(hex_of "$DATA/2.dat")
# The data folder is the current directory; the program, its skins and phrases stay in theirs.
(cd "$DATA" && exec "$APP/tabuko" >"$WORK/app.log" 2>&1) &
APP_PID=$!
wall=$(wall_window)
tray_icon_window >/dev/null
sleep 0.5

# A new memo in box 2 (仕事), typed and not stored.
xdotool mousemove --window "$wall" 84 43 click --repeat 2 --delay 80 1
wait_window "Tabuko - [仕事]を新規作成 -" >/dev/null
sleep 0.5
xdotool type --delay 50 unsaved

mountpoint -q "$DATA" || fail "$DATA is not the test's own tmpfs"
dd if=/dev/zero of="$DATA/filler" bs=1k status=none 2>/dev/null || true
if printf x 2>/dev/null >"$DATA/probe"; then fail "the tmpfs is not full"; fi
rm -f "$DATA/probe"

# A program that waits on a person would not end at the cleanup's SIGTERM either.
fail_and_kill() {
    screenshot "$WORK/ending.png"
    kill -KILL "$APP_PID" 2>/dev/null || true
    fail "$* (see $WORK/ending.png)"
}
kill -TERM "$APP_PID"
for _ in $(seq 30); do
    kill -0 "$APP_PID" 2>/dev/null || break
    [ -z "$(message_boxes)" ] || fail_and_kill "a message box is up while the program ends"
    sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail_and_kill "the program did not end within 3 seconds of SIGTERM"

APP_STATUS=0
wait "$APP_PID" || APP_STATUS=$?
APP_PID=
[ "$APP_STATUS" = 1 ] || fail "exit status $APP_STATUS, not 1, although nothing could be kept"
grep -q 'TabukoDraft.txt' "$WORK/app.log" || fail "the failed draft is not told: $(cat "$WORK/app.log")"
grep -q 'TabukoExc.ini' "$WORK/app.log" || fail "the failed settings are not told: $(cat "$WORK/app.log")"
[ -z "$(visible_window "Tabuko - [仕事]を新規作成 -")" ] || fail "the editor is still shown"
[ -z "$(visible_window Tabuko)" ] || fail "a window is still shown"
[ "$(hex_of "$DATA/2.dat")" = "$box2" ] || fail "2.dat changed"
[ ! -e "$DATA/TabukoDraft.txt" ] || fail "a draft was left: $(od -c "$DATA/TabukoDraft.txt" | head)"
echo PASS
