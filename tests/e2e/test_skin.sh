#!/usr/bin/env bash
# The wall takes the outline and size of its skin's bitmap; choosing the second skin from the
# wall's context menu re-shapes and re-sizes it, and the choice is saved at exit.
source "$(dirname "$0")/lib.sh"
start_display

start_app
wall=$(wall_window)
sleep 1
[ "$(window_size "$wall")" = "312 86" ] || fail "wall size $(window_size "$wall")"
check_outline "$APP/skin/default/wall.bmp" "$wall"
screenshot "$WORK/default-skin.png"

# スキン → 変更 → the second entry in byte order ("Tabuko 木の棚" < "さくら").
click_in 156 6 3 "$wall"
sleep 0.5
xdotool key Down sleep 0.2 key Right sleep 0.3 key Down sleep 0.2 key Right sleep 0.3 \
    key Down sleep 0.2 key Return
sleep 1
wall=$(wall_window)
[ "$(window_size "$wall")" = "140 216" ] || fail "wall size after the change $(window_size "$wall")"
check_outline "$APP/skin/sakura/wall.bmp" "$wall"
screenshot "$WORK/second-skin.png"

quit_by_tray_menu
grep -q '^Folder=\\skin\\sakura$' <(tr -d '\r' <"$APP/TabukoExc.ini") ||
    fail "the chosen skin was not saved: $(cat "$APP/TabukoExc.ini")"
echo PASS
