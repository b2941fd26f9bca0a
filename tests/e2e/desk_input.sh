#!/usr/bin/env bash
# Japanese typed through a real input method (framework $3: ibus or fcitx, each with mozc) under
# openbox. In the editor, romaji shows as the composition inline while nothing is committed (OK
# stays disabled, no box file), Space converts it in place, Enter commits it without closing the
# editor, and OK stores the kanji as CP932. In the search window the converted text finds a memo
# only once committed; the committing Enter opens nothing, the next one opens the memo's menu.
source "$(dirname "$0")/lib.sh"
FRAMEWORK=${3:?input method framework: ibus or fcitx}
start_desktop openbox
make_box "$APP/2.dat" "46001|英語の本"
make_box "$APP/3.dat" "46000|日本語の本"
start_input_method "$FRAMEWORK"
start_app
wall=$(wall_window)
sleep 1

# Rectangles relative to a window's origin: the first line of the editing area (right of the
# caret of an empty editor), the OK button's label, the search field's text and the search
# window's count of results.
line_of() { read -r x y < <(window_origin "$1"); echo "$((x + 8)) $((y + 6)) 50 11"; }
ok_label_of() { read -r x y < <(window_origin "$1"); echo "$((x + 225)) $((y + 278)) 40 13"; }
field_of() { read -r x y < <(window_origin "$1"); echo "$((x + 9)) $((y + 15)) 50 9"; }
count_of() {
    read -r x y < <(window_origin "$1")
    read -r _ h < <(window_size "$1")
    echo "$((x + 4)) $((y + h - 22)) 80 14"
}
shot() { screenshot "$WORK/$1.png"; echo "$WORK/$1.png"; }

# ---- the editor: a new memo in box 1 ----
xdotool mousemove --window "$wall" 36 43 click --repeat 2 --delay 80 1
editor=$(wait_window "Tabuko - [メモ]を新規作成 -")
sleep 0.5
input_method_on
read -r -a line < <(line_of "$editor")
read -r -a ok < <(ok_label_of "$editor")
empty=$(shot editor-empty)
[ "$(ink "$empty" "${line[@]}")" = 0 ] || fail "the empty editor shows text (see $empty)"

xdotool type --delay 60 toukyou
sleep 1
composing=$(shot editor-composing)
awk -v i="$(ink "$composing" "${line[@]}")" 'BEGIN { exit !(i > 0.05) }' ||
    fail "the composition is not shown in the editing area (see $composing)"
[ "$(pixels_of "$composing" "${ok[@]}")" = "$(pixels_of "$empty" "${ok[@]}")" ] ||
    fail "OK changed while composing: the romaji reached the memo text (see $composing)"
[ ! -e "$APP/1.dat" ] || fail "1.dat exists while composing"

xdotool key space
sleep 1
converted=$(shot editor-converted)
[ "$(pixels_of "$converted" "${line[@]}")" != "$(pixels_of "$composing" "${line[@]}")" ] ||
    fail "Space did not convert the composition in place (see $converted)"
[ "$(pixels_of "$converted" "${ok[@]}")" = "$(pixels_of "$empty" "${ok[@]}")" ] ||
    fail "OK changed while converting (see $converted)"

xdotool key Return
sleep 1
committed=$(shot editor-committed)
[ "$(pixels_of "$committed" "${ok[@]}")" != "$(pixels_of "$empty" "${ok[@]}")" ] ||
    fail "OK is still disabled after Enter committed the text (see $committed)"
[ -n "$(visible_window "Tabuko - [メモ]を新規作成 -")" ] || fail "Enter closed the editor"
[ ! -e "$APP/1.dat" ] || fail "1.dat was written before OK"
click_in 245 284 1 "$editor"
sleep 1
[ -z "$(visible_window "Tabuko - [メモ]を新規作成 -")" ] || fail "OK did not close the editor"
# 東京 in CP932, with CR LF.
stored=$(hex_of "$APP/1.dat")
[[ "$stored" == "01 00 00 00 06 00 00 00 93 8c 8b 9e 0d 0a "* ]] || fail "1.dat: $stored"

# ---- the search window ----
click_in 150 80 1 "$wall"
sleep 0.3
xdotool key ctrl+f
search=$(wait_window "メモの検索")
sleep 0.5
input_method_on
read -r -a field < <(field_of "$search")
read -r -a count < <(count_of "$search")
before=$(shot search-empty)
xdotool type --delay 60 nihongo
sleep 1
composing=$(shot search-composing)
awk -v i="$(ink "$composing" "${field[@]}")" 'BEGIN { exit !(i > 0.05) }' ||
    fail "the composition is not shown in the search field (see $composing)"
[ "$(pixels_of "$composing" "${count[@]}")" = "$(pixels_of "$before" "${count[@]}")" ] ||
    fail "the search ran on the uncommitted composition (see $composing)"
xdotool key space
sleep 0.5
xdotool key Return
sleep 1
found=$(shot search-found)
[ "$(pixels_of "$found" "${count[@]}")" != "$(pixels_of "$before" "${count[@]}")" ] ||
    fail "the committed text found nothing (see $found)"
no_popup_menu || fail "the Enter that committed the text opened a menu"
# Enter opens the first (only) row's menu with 編集 chosen; 日本語の本 is in box 3 (買い物).
xdotool key Return
popup_menu >/dev/null
xdotool key Return
editor=$(wait_window "Tabuko - [買い物]を編集 -")
sleep 0.5
click_in 325 284 1 "$editor" # Cancel
sleep 0.5
[ "$(box_titles "$APP/3.dat")" = 日本語の本 ] || fail "3.dat: $(box_titles "$APP/3.dat")"

quit_by_tray_menu
echo PASS
