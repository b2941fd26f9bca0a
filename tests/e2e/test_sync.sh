#!/usr/bin/env bash
# The program and other writers on the real program: a second start in the same folder shows the
# first one's wall and leaves; a box file rewritten by a script shows in the box by itself, and a
# memo stored afterwards keeps both; a sync tool's conflict copy is merged and put into the
# backups; the backups hold the box file as it was before the day's first store; a signal while
# the editor is open keeps its text for the next start.
source "$(dirname "$0")/lib.sh"
start_display
today=$(date +%Y-%m-%d)

make_box "$APP/2.dat" "46000|二つ目の箱"
make_box "$APP/2.sync-conflict-20261209-101500-ABCDEFG.dat" "46000|二つ目の箱" "46100|競合コピーのメモ"
printf '[MainWindow]\r\nVisible=0\r\n' >"$APP/TabukoExc.ini"
start_app
tray_icon_window >/dev/null
sleep 1
[ -z "$(visible_window Tabuko)" ] || fail "the wall is shown although it was saved hidden"

# The conflict copy: its memo is in box 2, the copy went into the day's backups.
[ "$(box_titles "$APP/2.dat")" = "$(printf '競合コピーのメモ\n二つ目の箱')" ] ||
    fail "2.dat after the conflict copy: $(box_titles "$APP/2.dat")"
[ ! -e "$APP/2.sync-conflict-20261209-101500-ABCDEFG.dat" ] || fail "the conflict copy stayed"
[ -f "$APP/backup/$today/2.sync-conflict-20261209-101500-ABCDEFG.dat" ] ||
    fail "the conflict copy is not in backup/$today"

# A second start in the same folder: it ends by itself with 0, the first shows its wall.
before=$(sha1sum "$APP"/*.dat "$APP/TabukoExc.ini")
start=$(date +%s%N)
(cd "$APP" && timeout 10 ./tabuko >"$WORK/second.log" 2>&1) || fail "the second start ended with $?"
echo "second start took $((($(date +%s%N) - start) / 1000000)) ms"
wall=$(wall_window)
kill -0 "$APP_PID" || fail "the first program ended"
[ "$(pgrep -fc '^\./tabuko$')" -ge 1 ] || fail "no program left"
[ "$(sha1sum "$APP"/*.dat "$APP/TabukoExc.ini")" = "$before" ] || fail "the second start changed a file"

# A script adds a memo to 1.dat while the program runs: box 1's picture follows by itself.
check_picture "$APP/skin/default/box/1e.bmp" "$wall" 16 23
make_box "$WORK/1.dat" "46300|スクリプトのメモ"
mv "$WORK/1.dat" "$APP/1.dat"
sleep 2
check_picture "$APP/skin/default/box/1m.bmp" "$wall" 16 23
first_1dat=$(hex_of "$APP/1.dat")

# A memo stored through the editor in box 1 then leaves both in 1.dat, and the day's backup
# holds 1.dat as it was before.
xdotool mousemove --window "$wall" 36 43 click --repeat 2 --delay 80 1
type_memo "Tabuko - [メモ]を新規作成 -" typed
[ "$(box_titles "$APP/1.dat" | sort)" = "$(printf 'typed\nスクリプトのメモ' | sort)" ] ||
    fail "1.dat after the store: $(box_titles "$APP/1.dat")"
[ "$(hex_of "$APP/backup/$today/1.dat")" = "$first_1dat" ] || fail "backup/$today/1.dat"

# Ended by a signal with text in the editor: the settings are written and the text comes back in
# the editor at the next start, not stored.
xdotool mousemove --window "$wall" 132 43 click --repeat 2 --delay 80 1
editor=$(wait_window "Tabuko - [買い物]を新規作成 -")
sleep 0.5
xdotool type --delay 50 unfinished
box3=$(hex_of "$APP/3.dat" 2>/dev/null || true)
kill -TERM "$APP_PID"
wait_app_exit
[ -f "$APP/TabukoDraft.txt" ] || fail "no draft was kept"
grep -q 'Visible=1' "$APP/TabukoExc.ini" || fail "the settings were not written at the signal"
[ ! -e "$APP/Tabuko.lock" ] || fail "a lock file was made in the folder"
start_app
editor=$(wait_window "Tabuko - [買い物]を新規作成 -")
sleep 0.5
screenshot "$WORK/draft.png"
[ "$(hex_of "$APP/3.dat" 2>/dev/null || true)" = "$box3" ] || fail "the draft was stored"
click_in 245 284 1 "$editor"
sleep 1
[ "$(box_titles "$APP/3.dat")" = unfinished ] || fail "3.dat after OK on the draft: $(box_titles "$APP/3.dat")"
[ ! -e "$APP/TabukoDraft.txt" ] || fail "the draft stayed after it was stored"

quit_by_tray_menu
echo PASS
