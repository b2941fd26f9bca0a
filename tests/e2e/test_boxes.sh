#!/usr/bin/env bash
# Box menus on the real program: hand-made box files are listed in memo order and shown by their
# fill pictures; a memo deleted through its menu lands in the delete log byte for byte; a memo
# moved to the trash box is restored from there.
source "$(dirname "$0")/lib.sh"
start_display

# Box 3 (買い物, full from 5 memos) holds three memos, newest date in the middle of the file;
# box 1 holds one.
make_box "$APP/3.dat" "46300.5|牛乳を買う\n低脂肪のもの" "46360.25|卵とパン" "46100|古いメモ"
make_box "$APP/1.dat" "46000|箱1のメモ"
: >"$APP/TabukoDelLog.txt"
start_app
wall=$(wall_window)
sleep 1
check_picture "$APP/skin/default/box/3m.bmp" "$wall" 112 23 # 3 memos: half full
check_picture "$APP/skin/default/box/2e.bmp" "$wall" 64 23  # empty
check_picture "$APP/skin/default/box/1m.bmp" "$wall" 16 23

# The box menu lists the titles; the first memo item is the newest memo.
click_in 132 43 3 "$wall"
menu=$(popup_menu)
read -r w h < <(window_size "$menu")
# Its title row is drawn in the skin's MenuTitle BrushColor ($00142C4A: red 4A, green 2C, blue 14).
read -r mx my < <(window_origin "$menu")
[ "$(screen_pixel $((mx + w - 8)) $((my + 8)))" = "#4A2C14" ] ||
    fail "the box menu's title row is not in the skin's colour: $(screen_pixel $((mx + w - 8)) $((my + 8)))"
screenshot "$WORK/box3-menu.png"
xdotool key Escape
no_popup_menu || fail "the box menu did not close"

# Delete the first listed memo: menu, memo item, memo menu's last item "削除", confirm with OK.
click_in 132 43 3 "$wall"
popup_menu >/dev/null
xdotool key Down sleep 0.2 key Return
sleep 0.5
popup_menu >/dev/null
screenshot "$WORK/memo-menu.png"
xdotool key Up sleep 0.2 key Return
confirm=$(wait_window 確認)
screenshot "$WORK/confirm.png"
xdotool key Return
sleep 1
[ "$(box_titles "$APP/3.dat")" = "$(printf '牛乳を買う\n古いメモ')" ] ||
    fail "box 3 after the deletion: $(box_titles "$APP/3.dat")"
mapfile -t log < <(iconv -f CP932 -t UTF-8 <"$APP/TabukoDelLog.txt" | tr -d '\r')
today=$(LC_ALL=C date +%Y.%m.%d)
date_re="^削除日付：${today//./\\.}\\([日月火水木金土]\\) [0-2][0-9]:[0-5][0-9]$"
[ "${#log[@]}" = 5 ] && [ "${log[0]}" = "==============================" ] &&
    [[ "${log[1]}" =~ $date_re ]] && [ "${log[2]}" = "フォルダ：買い物(Box3)" ] &&
    [ "${log[3]}" = "テキスト：" ] && [ "${log[4]}" = "卵とパン" ] ||
    fail "delete log: ${log[*]}"
[ "$(grep -c $'\r$' "$APP/TabukoDelLog.txt")" = 5 ] || fail "the log's lines do not end in CR LF"
[ "$(tr -cd '\n' <"$APP/TabukoDelLog.txt" | wc -c)" = 5 ] || fail "the log holds more than one entry"

# Move the newest remaining memo to the trash box: memo menu, "[ゴミ箱]へ移動" (above 削除).
click_in 132 43 3 "$wall"
popup_menu >/dev/null
xdotool key Down sleep 0.2 key Return
sleep 0.5
popup_menu >/dev/null
xdotool key Up sleep 0.2 key Up sleep 0.2 key Return
sleep 1
[ "$(box_titles "$APP/6.dat")" = "牛乳を買う" ] || fail "trash box: $(box_titles "$APP/6.dat")"
[ "$(box_titles "$APP/3.dat")" = "古いメモ" ] || fail "box 3 after the move: $(box_titles "$APP/3.dat")"
check_picture "$APP/skin/default/box/6m.bmp" "$wall" 256 23

# Restore it to box 2: trash box menu, its memo, the memo menu reads the five restore items.
click_in 276 43 3 "$wall"
popup_menu >/dev/null
xdotool key Down sleep 0.2 key Return
sleep 0.5
popup_menu >/dev/null
screenshot "$WORK/trash-memo-menu.png"
xdotool key Down sleep 0.2 key Down sleep 0.2 key Return
sleep 1
[ "$(box_titles "$APP/2.dat")" = "牛乳を買う" ] || fail "box 2 after the restore: $(box_titles "$APP/2.dat")"
[ "$(od -An -tx1 "$APP/6.dat" | tr -d ' \n')" = "00000000" ] || fail "the trash box is not empty"
check_picture "$APP/skin/default/box/2m.bmp" "$wall" 64 23
[ "$(box_titles "$APP/2.dat" | wc -l)" = 1 ] || fail "box 2"
# The restored memo keeps its lines.
perl -e 'open my $f, "<:raw", $ARGV[0]; local $/; my $b = <$f>; exit(index($b, "\r\n") < 0)' "$APP/2.dat"

quit_by_tray_menu
echo PASS
