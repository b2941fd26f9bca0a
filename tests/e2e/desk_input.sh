#!/usr/bin/env bash
# Japanese typed through a real input method (framework $3: ibus or fcitx, each with mozc) under
# openbox. In the editor, romaji shows as the composition inline while nothing is committed (OK
# stays disabled, no box file), Space converts it in place, Enter commits it without closing the
# editor, and OK stores the kanji as CP932. In the search window Escape cancels a composition
# without closing the window; the converted text finds a memo only once committed; the committing
# Enter opens nothing, the next one opens the memo's menu.
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
# caret of an empty editor), the OK button's label, the search field's text (right of its caret)
# and the search window's count of results.
line_of() { read -r x y < <(window_origin "$1"); echo "$((x + 8)) $((y + 6)) 50 11"; }
ok_label_of() { read -r x y < <(window_origin "$1"); echo "$((x + 225)) $((y + 278)) 40 13"; }
field_of() { read -r x y < <(window_origin "$1"); echo "$((x + 12)) $((y + 15)) 50 9"; }
count_of() {
    read -r x y < <(window_origin "$1")
    read -r _ h < <(window_size "$1")
    echo "$((x + 4)) $((y + h - 22)) 80 14"
}
shot() { screenshot "$WORK/$1.png"; echo "$WORK/$1.png"; }

# Conditions on a screenshot (its path last): rectangle $1 (a variable's name) shows ink, or
# none; it differs from the same rectangle of screenshot $2.
inked() {
    local -n rect=$1
    awk -v i="$(ink "$2" "${rect[@]}")" 'BEGIN { exit !(i > 0.05) }'
}
blank() { ! inked "$@"; }
differs() {
    local -n rect=$1
    [ "$(pixels_of "$3" "${rect[@]}")" != "$(pixels_of "$2" "${rect[@]}")" ]
}
# Takes screenshot $1 until the condition after message $2 holds for it (the input method
# answers in its own time), for up to five seconds; prints its path, or fails with the message.
shot_until() {
    local name=$1 message=$2 path
    shift 2
    for _ in $(seq 20); do
        path=$(shot "$name")
        "$@" "$path" && { echo "$path"; return 0; }
        sleep 0.25
    done
    fail "$message (see $path)"
}

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
composing=$(shot_until editor-composing "the composition is not shown in the editing area" \
    inked line)
! differs ok "$empty" "$composing" ||
    fail "OK changed while composing: the romaji reached the memo text (see $composing)"
[ ! -e "$APP/1.dat" ] || fail "1.dat exists while composing"

xdotool key space
converted=$(shot_until editor-converted "Space did not convert the composition in place" \
    differs line "$composing")
! differs ok "$empty" "$converted" || fail "OK changed while converting (see $converted)"

xdotool key Return
shot_until editor-committed "OK is still disabled after Enter committed the text" \
    differs ok "$empty" >/dev/null
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
# Escape while composing cancels the composition and leaves the window open.
xdotool type --delay 60 eigo
shot_until search-eigo "the composition is not shown in the search field" inked field >/dev/null
xdotool key Escape
cancelled=$(shot_until search-cancelled "Escape did not cancel the composition" \
    blank field)
[ -n "$(visible_window "メモの検索")" ] || fail "Escape while composing closed the search window"
! differs count "$before" "$cancelled" || fail "the cancelled composition was searched for"
xdotool type --delay 60 nihongo
composing=$(shot_until search-composing "the composition is not shown in the search field" \
    inked field)
! differs count "$before" "$composing" ||
    fail "the search ran on the uncommitted composition (see $composing)"
xdotool key space
sleep 0.5
xdotool key Return
shot_until search-found "the committed text found nothing" differs count "$before" >/dev/null
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
