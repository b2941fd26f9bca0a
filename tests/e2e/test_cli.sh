#!/usr/bin/env bash
# The command line on the real program: --new against a running program lands in box 3's menu
# and 3.dat within a second (the menu proves it by deleting the memo into the delete log); text
# CP932 cannot hold is refused; piped text becomes a memo; with no program running and no
# display --new writes the box file itself and leaves no lock; --export then --import into an
# empty folder gives the same export again; --new without text starts the program with the
# editor, and --toggle and --show reach it; a wrong option prints the usage and exits 2.
source "$(dirname "$0")/lib.sh"
start_display

: >"$APP/TabukoDelLog.txt"
start_app
wall=$(wall_window)
sleep 1
check_picture "$APP/skin/default/box/3e.bmp" "$wall" 112 23

# Against the running program: 3.dat and the box menu within a second.
start=$(date +%s%N)
(cd "$APP" && ./tabuko --new --box 3 テキスト) || fail "--new ended with $?"
for _ in $(seq 10); do
    [ "$(box_titles "$APP/3.dat" 2>/dev/null)" = テキスト ] && break
    sleep 0.1
done
elapsed=$((($(date +%s%N) - start) / 1000000))
[ "$(box_titles "$APP/3.dat")" = テキスト ] || fail "3.dat after --new: $(box_titles "$APP/3.dat")"
[ "$elapsed" -le 1000 ] || fail "--new took $elapsed ms"
echo "--new against the running program: $elapsed ms"
check_picture "$APP/skin/default/box/3m.bmp" "$wall" 112 23
# Its menu lists the memo: deleting the first item logs テキスト.
click_in 132 43 3 "$wall"
popup_menu >/dev/null
xdotool key Down sleep 0.2 key Return
sleep 0.5
popup_menu >/dev/null
xdotool key Up sleep 0.2 key Return
wait_window 確認 >/dev/null
xdotool key Return
sleep 1
iconv -f CP932 -t UTF-8 <"$APP/TabukoDelLog.txt" | tr -d '\r' | grep -qx テキスト ||
    fail "the memo deleted from box 3's menu is not テキスト: $(iconv -f CP932 -t UTF-8 <"$APP/TabukoDelLog.txt")"

# Text that Shift-JIS cannot hold: refused with a message, nothing stored.
before=$(sha1sum "$APP/1.dat" 2>/dev/null || true)
status=0
(cd "$APP" && ./tabuko --new "smile 😀" 2>"$WORK/refused.err") || status=$?
[ "$status" = 1 ] || fail "unencodable text ended with $status"
grep -q 'U+1F600' "$WORK/refused.err" || fail "no reason on stderr: $(cat "$WORK/refused.err")"
[ "$(sha1sum "$APP/1.dat" 2>/dev/null || true)" = "$before" ] || fail "1.dat changed"

# Piped text into box 1 of the running program.
printf 'パイプの行\n二行目\n' | (cd "$APP" && ./tabuko --new) || fail "piped --new ended with $?"
sleep 0.3
[ "$(box_titles "$APP/1.dat")" = パイプの行 ] || fail "1.dat after piped --new: $(box_titles "$APP/1.dat")"

# Export through the running program.
(cd "$APP" && ./tabuko --export "$WORK/running-export") || fail "--export ended with $?"
grep -qx 'パイプの行' "$WORK/running-export/1-メモ.txt" || fail "the export lacks box 1's memo"
quit_by_tray_menu

# No program running and no display: --new writes 3.dat itself and exits 0.
(cd "$APP" && env -u DISPLAY -u WAYLAND_DISPLAY ./tabuko --new --box 3 テキスト) ||
    fail "--new without a program ended with $?"
[ "$(box_titles "$APP/3.dat")" = テキスト ] || fail "3.dat without a program: $(box_titles "$APP/3.dat")"
[ ! -e "$APP/Tabuko.lock" ] || fail "a lock file was made in the folder"
(cd "$APP" && ./tabuko --new --box 3 二つ目) || fail "second --new ended with $?"
[ "$(box_titles "$APP/3.dat")" = "$(printf '二つ目\nテキスト')" ] || fail "3.dat: $(box_titles "$APP/3.dat")"

# --export, then --import into an empty folder: exporting that gives the same files.
(cd "$APP" && env -u DISPLAY ./tabuko --export "$WORK/export") || fail "--export ended with $?"
ls "$WORK/export"
OTHER=$WORK/Other
mkdir -p "$OTHER"
cp -r "$APP/tabuko" "$APP/skin" "$OTHER"/
(cd "$OTHER" && env -u DISPLAY ./tabuko --import "$WORK"/export/*.txt) || fail "--import ended with $?"
# Imported again: the memos are there already, nothing is added.
(cd "$OTHER" && env -u DISPLAY ./tabuko --import "$WORK"/export/*.txt) || fail "second --import ended with $?"
(cd "$OTHER" && env -u DISPLAY ./tabuko --export "$WORK/export2") || fail "second --export ended with $?"
diff -r "$WORK/export" "$WORK/export2" || fail "the round trip changed the export"
cmp <(box_titles "$APP/3.dat") <(box_titles "$OTHER/3.dat") || fail "3.dat differs after the round trip"

# Memo text that looks like the toolkit's options is memo text, and needs no display.
(cd "$OTHER" && env -u DISPLAY -u WAYLAND_DISPLAY ./tabuko --new --box 4 -title) || fail "--new -title ended with $?"
(cd "$OTHER" && env -u DISPLAY -u WAYLAND_DISPLAY ./tabuko --new --box 4 -name foo bar) || fail "--new -name ended with $?"
[ "$(box_titles "$OTHER/4.dat" | sort)" = "$(printf -- '-name foo bar\n-title')" ] ||
    fail "4.dat after toolkit-like text: $(box_titles "$OTHER/4.dat")"
# Standard input that cannot be read (opened for writing only): nothing stored, status 1.
box4=$(hex_of "$OTHER/4.dat")
status=0
(cd "$OTHER" && env -u DISPLAY ./tabuko --new --box 4 0>>"$WORK/writeonly.txt" 2>"$WORK/read.err") || status=$?
[ "$status" = 1 ] || fail "--new with unreadable input ended with $status"
[ -s "$WORK/read.err" ] || fail "no message for unreadable input"
[ "$(hex_of "$OTHER/4.dat")" = "$box4" ] || fail "unreadable input stored something"

# With no program running, --new without text starts it with the editor for box 2 (a hot key);
# --toggle and --show then reach that program.
(cd "$APP" && exec ./tabuko --new --box 2 </dev/null >"$WORK/app.log" 2>&1) &
APP_PID=$!
type_memo "Tabuko - [仕事]を新規作成 -" hotkey
[ "$(box_titles "$APP/2.dat")" = hotkey ] || fail "2.dat after the editor of --new: $(box_titles "$APP/2.dat")"
wall_window >/dev/null
(cd "$APP" && ./tabuko --toggle) || fail "--toggle ended with $?"
sleep 0.5
[ -z "$(visible_window Tabuko)" ] || fail "--toggle did not hide the wall"
(cd "$APP" && ./tabuko --show) || fail "--show ended with $?"
wall_window >/dev/null
quit_by_tray_menu

# Wrong command lines: usage on stderr, exit 2; --version and --help on stdout.
status=0
(cd "$APP" && env -u DISPLAY ./tabuko --frobnicate 2>"$WORK/usage.err" >"$WORK/usage.out") || status=$?
[ "$status" = 2 ] || fail "an unknown option ended with $status"
grep -q -- '--import' "$WORK/usage.err" || fail "no usage on stderr"
[ ! -s "$WORK/usage.out" ] || fail "the usage went to stdout"
(cd "$APP" && env -u DISPLAY ./tabuko --version) | grep -q '^Tabuko [0-9]' || fail "--version"
echo PASS
