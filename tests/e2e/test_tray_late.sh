#!/usr/bin/env bash
# A tray host that starts 3 s after the program: the icon appears there, with both menus; after
# the tray host is killed and started again, the icon is back.
source "$(dirname "$0")/lib.sh"
start_bare_display
start_app
start_tray_late 3
# The only message is the one about the missing notification area, answered before the tray comes.
[ "$(answer_messages 1)" = 1 ] || fail "not exactly one message at start"
wall_window >/dev/null
# (The tray host's shell becomes trayer when the delay is over.)
if [ "$(ps -o comm= -p "$TRAY_PID")" != trayer ]; then
    has_tray_icon && fail "an icon before the tray host started"
fi

icon=$(tray_icon_window)
sleep 0.5
click_in 5 5 1 "$icon"
left=$(popup_menu)
read -r _ left_h < <(window_size "$left")
xdotool key Escape
sleep 0.5
no_popup_menu || fail "the box list did not close"
click_in 5 5 3 "$icon"
right=$(popup_menu)
read -r _ right_h < <(window_size "$right")
[ "$right_h" -gt "$left_h" ] || fail "the right-button menu is not the application menu"
xdotool key Escape
sleep 0.5

# The panel crashes and comes back.
kill "$TRAY_PID"
wait "$TRAY_PID" 2>/dev/null || true
sleep 1
start_tray_late 0
sleep 1
tray_icon_window >/dev/null
[ -z "$(message_boxes)" ] || fail "a message when the tray came back"

# Hiding works now that the icon is there, and 終了 from its menu writes the settings.
xdotool mousemove --window "$(wall_window)" 160 10 click --repeat 2 --delay 80 1
sleep 1
[ -z "$(visible_window Tabuko)" ] || fail "the wall did not hide"
quit_by_tray_menu
grep -q '^Visible=0$' <(tr -d '\r' <"$APP/TabukoExc.ini") || fail "visibility not written"
echo PASS
