#!/usr/bin/env bash
# The memo editor on the real program: a memo typed into box 2 lands in 2.dat byte for byte and
# in the box's menu; edited and moved to box 5 it leaves box 2; a phrase chosen by keyboard from
# the editing area's context menu is stored as the phrase file's bytes.
source "$(dirname "$0")/lib.sh"
start_display
start_app
wall=$(wall_window)
sleep 1

press_ok() { click_in 245 284 1 "$1"; }

# A new memo in box 2 (仕事): double-click its icon, type, OK.
xdotool mousemove --window "$wall" 84 43 click --repeat 2 --delay 80 1
editor=$(wait_window "Tabuko - [仕事]を新規作成 -")
sleep 0.5
screenshot "$WORK/editor-new.png"
xdotool type --delay 50 abc
press_ok "$editor"
sleep 1
[ -z "$(visible_window "Tabuko - [仕事]を新規作成 -")" ] || fail "the editor stayed open"
bytes=$(hex_of "$APP/2.dat")
[ "${bytes:0:38}" = "01 00 00 00 05 00 00 00 61 62 63 0d 0a" ] || fail "2.dat: $bytes"
[ "$(stat -c %s "$APP/2.dat")" = 33 ] || fail "2.dat is $(stat -c %s "$APP/2.dat") bytes"
[ "${bytes: -11}" = "00 00 00 00" ] || fail "2.dat sort key: $bytes"
check_picture "$APP/skin/default/box/2m.bmp" "$wall" 64 23

# Edit it from its menu and choose box 5 (保留): 5.dat holds it, 2.dat is empty.
click_in 84 43 3 "$wall"
popup_menu >/dev/null
screenshot "$WORK/box2-menu.png"
xdotool key Down sleep 0.2 key Return
sleep 0.5
popup_menu >/dev/null
xdotool key Down sleep 0.2 key Return
editor=$(wait_window "Tabuko - [仕事]を編集 -")
sleep 0.3
click_in 163 251 1 "$editor" # the button of box 5
wait_window "Tabuko - [保留]を編集 -" >/dev/null
press_ok "$editor"
sleep 1
[ "$(hex_of "$APP/2.dat")" = "00 00 00 00" ] || fail "2.dat after the move: $(hex_of "$APP/2.dat")"
[ "$(box_titles "$APP/5.dat")" = abc ] || fail "5.dat: $(box_titles "$APP/5.dat")"
check_picture "$APP/skin/default/box/2e.bmp" "$wall" 64 23

# A phrase by keyboard: box 1's editor, context menu, 時刻の挿入 (4th item), its first phrase.
xdotool mousemove --window "$wall" 36 43 click --repeat 2 --delay 80 1
editor=$(wait_window "Tabuko - [メモ]を新規作成 -")
sleep 0.5
click_in 100 100 3 "$editor"
popup_menu >/dev/null
xdotool key Down sleep 0.2 key Down sleep 0.2 key Down sleep 0.2 key Down sleep 0.2 key Right \
    sleep 0.4
screenshot "$WORK/phrase-menu.png"
xdotool key Return
sleep 0.5
press_ok "$editor"
sleep 1
phrase=$(head -n 1 "$APP/InsertTime.txt" | tr -d '\r\n' | od -An -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
stored=$(hex_of "$APP/1.dat")
expected_length=$(printf '%02x' $(( $(head -n 1 "$APP/InsertTime.txt" | tr -d '\r\n' | wc -c) + 2 )))
[ "${stored:0:23}" = "01 00 00 00 $expected_length 00 00 00" ] || fail "1.dat: $stored"
[[ "$stored" == "01 00 00 00 $expected_length 00 00 00 $phrase 0d 0a "* ]] ||
    fail "1.dat does not hold the phrase $phrase: $stored"

quit_by_tray_menu
echo PASS
