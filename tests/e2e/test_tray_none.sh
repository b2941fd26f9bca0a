#!/usr/bin/env bash
# No notification area at all: one message, the wall is shown although the settings hid it,
# hiding is refused, and the program still ends on SIGTERM with its settings written.
source "$(dirname "$0")/lib.sh"
start_bare_display
printf '[MainWindow]\r\nVisible=0\r\nLeft=200\r\nTop=150\r\n' >"$APP/TabukoExc.ini"
start_app
[ "$(answer_messages 3)" = 1 ] || fail "not exactly one message"
wall=$(wall_window)
[ "$(window_origin "$wall")" = "200 150" ] || fail "wall at $(window_origin "$wall")"
xdotool mousemove --window "$wall" 160 10 click --repeat 2 --delay 80 1
sleep 1
[ -n "$(visible_window Tabuko)" ] || fail "the wall hid with no way back"
[ "$(answer_messages 2)" = 0 ] || fail "a second message"
kill -TERM "$APP_PID"
wait "$APP_PID" && status=0 || status=$?
APP_PID=
[ "$status" = 0 ] || fail "exit status $status"
grep -q '^Left=200$' <(tr -d '\r' <"$APP/TabukoExc.ini") || fail "settings not written"
echo PASS
