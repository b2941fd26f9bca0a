#!/usr/bin/env bash
# The notification-area icon: a left press opens the box list, a right press the application
# menu, both at the pointer; "終了" from that menu ends the program and writes the settings.
source "$(dirname "$0")/lib.sh"
start_display
start_app
wall_window >/dev/null
icon=$(tray_icon_window)
sleep 0.5

menu_near_pointer() {
    local menu=$1 mx my x y
    read -r mx my < <(xdotool getmouselocation | sed 's/x:\([0-9]*\) y:\([0-9]*\).*/\1 \2/')
    read -r x y < <(window_origin "$menu")
    read -r w h < <(window_size "$menu")
    # The menu opens at the pointer, moved only as far as needed to stay on the screen.
    [ "$x" -le "$mx" ] && [ "$((x + w))" -ge "$((mx - 2))" ] &&
        [ "$y" -le "$((my + 2))" ] && [ "$((y + h))" -ge "$((my - 2))" ] ||
        fail "menu at $x,$y ${w}x$h is not at the pointer $mx,$my"
    [ "$((x + w))" -le 1280 ] && [ "$((y + h))" -le 800 ] || fail "menu runs off the screen"
}

# Left press: the box list (six box items and a separator).
click_in 5 5 1 "$icon"
left=$(popup_menu)
menu_near_pointer "$left"
read -r _ left_h < <(window_size "$left")
screenshot "$WORK/tray-left.png"
xdotool key Escape
sleep 0.5
no_popup_menu || fail "the box list did not close"

# Right press: the application menu, which is taller (new-memo items, window, log, about, exit).
click_in 5 5 3 "$icon"
right=$(popup_menu)
menu_near_pointer "$right"
read -r _ right_h < <(window_size "$right")
[ "$right_h" -gt "$left_h" ] || fail "the right-button menu is not the application menu"
screenshot "$WORK/tray-right.png"
xdotool key Up sleep 0.2 key Return
wait_app_exit
grep -q '^\[MainWindow\]$' <(tr -d '\r' <"$APP/TabukoExc.ini") || fail "no settings written"
echo PASS
