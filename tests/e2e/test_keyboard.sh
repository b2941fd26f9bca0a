#!/usr/bin/env bash
# The wall without a mouse: given the keyboard focus, the arrow keys reach box 2, Enter opens its
# editor and the typed memo lands in 2.dat; the menu key opens the focused box's menu, Escape
# closes it and then hides the wall. Not a single pointer event is sent.
source "$(dirname "$0")/lib.sh"
start_display
start_app
wall=$(wall_window)
sleep 1
pointer=$(xdotool getmouselocation)
xdotool windowfocus --sync "$wall"
sleep 0.3

# The active wall focuses box 1; Right moves the mark to box 2 (仕事).
xdotool key Right
sleep 0.3
screenshot "$WORK/focus-mark.png"
read -r x y < <(window_origin "$wall")
# The mark is a black frame with white dashes on box 2's icon (at 64,23 in the default skin).
mark=$(screen_pixel $((x + 64)) $((y + 23)))
case $mark in "#000000" | "#FFFFFF") ;; *) fail "no focus mark on box 2 (pixel $mark)" ;; esac

xdotool key Return
editor=$(wait_window "Tabuko - [仕事]を新規作成 -")
sleep 0.5
xdotool type --delay 50 kbd
# Tab is a character in the text: Shift+Tab goes back to the cancel button, then to OK.
xdotool key shift+Tab sleep 0.2 key shift+Tab sleep 0.2 key space
for _ in $(seq 50); do [ -z "$(visible_window "Tabuko - [仕事]を新規作成 -")" ] && break; sleep 0.1; done
[ -z "$(visible_window "Tabuko - [仕事]を新規作成 -")" ] || fail "the editor stayed open"
bytes=$(hex_of "$APP/2.dat")
[ "${bytes:0:38}" = "01 00 00 00 05 00 00 00 6b 62 64 0d 0a" ] || fail "2.dat: $bytes"

# The menu key opens box 2's menu (its title row names the box); Escape closes it.
xdotool windowfocus --sync "$wall"
sleep 0.3
xdotool key Menu
menu=$(popup_menu)
screenshot "$WORK/box-menu.png"
xdotool key Escape
no_popup_menu || fail "the box menu stayed open"

# Escape on the wall hides it (the notification-area icon brings it back).
xdotool windowfocus --sync "$wall"
xdotool key Escape
for _ in $(seq 50); do [ -z "$(visible_window Tabuko)" ] && break; sleep 0.1; done
[ -z "$(visible_window Tabuko)" ] || fail "Escape did not hide the wall"
[ "$(xdotool getmouselocation)" = "$pointer" ] || fail "the pointer moved"
echo PASS
