#!/usr/bin/env bash
# The search window on the real program with 10,000 memos: Ctrl+F on the wall opens it, a
# half-width, lower-case query typed with xdotool finds the one memo written in full-width
# capitals, and Enter opens that memo's memo menu at the row; its edit command opens the editor
# on that memo.
source "$(dirname "$0")/lib.sh"
start_display

# Boxes 2 and 5 hold 5,000 memos each, dated a minute apart; memo 3,210 of box 5 holds the word.
make_many() {
    perl -Mutf8 -MEncode -e '
        my ($file, $box, $count, $special) = @ARGV;
        open my $f, ">:raw", $file or die;
        print $f pack("l<", $count);
        for my $i (1 .. $count) {
            my $text = "メモ 第${i}号 箱${box}\r\n牛乳と卵、内線" . (1000 + $i) . "\r\n";
            $text = "取引先 第${i}号\r\n担当はＺＥＢＲＡ８８社の山田さん\r\n" if $i == $special;
            my $bytes = encode("cp932", $text);
            my $date = 46000.5 - $i / 1440;
            print $f pack("l<", length $bytes), $bytes, pack("d<d<l<", $date, $date, 0);
        }
    ' "$@"
}
make_many "$APP/2.dat" 2 5000 0
make_many "$APP/5.dat" 5 5000 3210
start_app
wall=$(wall_window)
sleep 1

xdotool windowfocus --sync "$wall" 2>/dev/null || xdotool windowfocus "$wall"
sleep 0.3
xdotool key ctrl+f
search=$(wait_window メモの検索)
sleep 0.5
xdotool type --delay 80 zebra88
sleep 1
screenshot "$WORK/search.png"

# Enter in the field opens the only row: the memo menu of box 5 (保留) with 編集 chosen.
xdotool key Return
menu=$(popup_menu)
screenshot "$WORK/search-menu.png"
read -r sx sy < <(window_origin "$search")
read -r mx my < <(window_origin "$menu")
[ "$my" -gt "$sy" ] && [ "$my" -lt $((sy + 340)) ] || fail "the memo menu is not at the row ($mx,$my; window at $sx,$sy)"
xdotool key Return
editor=$(wait_window "Tabuko - [保留]を編集 -")
sleep 0.5
screenshot "$WORK/search-editor.png"

# OK stores the unchanged memo as the newest of box 5: the memo opened is the one found.
click_in 245 284 1 "$editor"
for _ in $(seq 50); do [ -z "$(visible_window "Tabuko - [保留]を編集 -")" ] && break; sleep 0.1; done
sleep 0.5
[ "$(box_titles "$APP/5.dat" | head -n 1)" = "取引先 第3210号" ] ||
    fail "box 5's newest memo: $(box_titles "$APP/5.dat" | head -n 1)"
[ "$(box_titles "$APP/5.dat" | wc -l)" = 5000 ] || fail "box 5 no longer holds 5,000 memos"

# Escape closes the search window; its position is written to its own section at once.
xdotool windowfocus "$search" 2>/dev/null || true
sleep 0.3
xdotool key Escape
for _ in $(seq 30); do [ -z "$(visible_window メモの検索)" ] && break; sleep 0.1; done
[ -z "$(visible_window メモの検索)" ] || fail "Escape did not close the search window"
grep -q '^\[SearchWindow\]' "$APP/TabukoExc.ini" || fail "no [SearchWindow] section in the settings"

quit_by_tray_menu
