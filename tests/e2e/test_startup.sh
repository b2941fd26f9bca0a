#!/usr/bin/env bash
# Start-up and shut-down of the real program: the wall at its saved position, the settings
# written at exit, a start with only the notification-area icon, and no task-bar entry.
source "$(dirname "$0")/lib.sh"
start_display

# Ends the program through the wall's context menu: its last item is "終了".
quit_by_wall_menu() {
    local wall=$1
    click_in 156 6 3 "$wall"
    sleep 0.5
    xdotool key Up sleep 0.2 key Return
    wait_app_exit
}

# First start without a settings file: the wall stands at 0,0.
start_app
wall=$(wall_window)
sleep 0.5
[ "$(window_origin "$wall")" = "0 0" ] || fail "wall at $(window_origin "$wall"), not 0 0"
types=$(xprop -id "$wall" _NET_WM_WINDOW_TYPE _NET_WM_STATE)
grep -q "_NET_WM_STATE_SKIP_TASKBAR" <<<"$types" || fail "the wall asks for a task-bar entry: $types"
grep -q "_NET_WM_WINDOW_TYPE_UTILITY" <<<"$types" || fail "the wall is not a tool window: $types"
screenshot "$WORK/first-start.png"
quit_by_wall_menu "$wall"

ini=$(tr -d '\r' <"$APP/TabukoExc.ini")
expected='[MainWindow]
Top=0
Left=0
Visible=1
StayOnTop=0

[Skin]
Folder=\skin\default'
[ "$ini" = "$expected" ] || fail "settings after the first start: $ini"

# A saved position is where the wall appears.
printf '[MainWindow]\r\nTop=50\r\nLeft=70\r\n' >"$APP/TabukoExc.ini"
start_app
wall=$(wall_window)
sleep 0.5
[ "$(window_origin "$wall")" = "70 50" ] || fail "wall at $(window_origin "$wall"), not 70 50"
quit_by_wall_menu "$wall"

# Visible 0: only the notification-area icon; its right-button menu ends the program.
printf '[MainWindow]\r\nVisible=0\r\n' >"$APP/TabukoExc.ini"
start_app
icon=$(tray_icon_window)
sleep 1
[ -z "$(visible_window Tabuko)" ] || fail "the wall is shown although Visible is 0"
click_in 5 5 3 "$icon"
sleep 0.5
xdotool key Up sleep 0.2 key Return
wait_app_exit
grep -q "^Visible=0" <(tr -d '\r' <"$APP/TabukoExc.ini") || fail "Visible 0 was not kept"
echo "PASS"
