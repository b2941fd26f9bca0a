#!/usr/bin/env bash
# One bad file at a time, started as a user who is not root: every failure is reported, and
# start-up still ends with the wall, its six box icons and the notification-area icon; "終了"
# ends the program, and no box file changed. Also a 4000 x 4000 wall of one-pixel stripes,
# whose outline is more than the display server takes in one request.
source "$(dirname "$0")/lib.sh"

# Permissions only bind a user who is not root: as root the program runs as "nobody".
AS_USER=()
if [ "$(id -u)" = 0 ]; then
    command -v setpriv >/dev/null 2>&1 || { echo "SKIP: setpriv is not installed"; exit 77; }
    id nobody >/dev/null 2>&1 || { echo "SKIP: no user nobody"; exit 77; }
    AS_USER=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
fi
command -v perl >/dev/null 2>&1 || { echo "SKIP: perl is not installed"; exit 77; }
command -v iconv >/dev/null 2>&1 || { echo "SKIP: iconv is not installed"; exit 77; }
start_display

PRISTINE=$WORK/pristine
mv "$APP" "$PRISTINE"
chmod 755 "$WORK"

# The default skin's box icons stand at x 16 + 48 (n - 1), y 23; one memo shows the mid picture.
BOX_X=(0 16 64 112 160 208 256)

run_case() {
    local name=$1 expected_messages=$2 setup=$3 crossed=${4:-0}
    rm -rf "$APP"
    cp -r "$PRISTINE" "$APP"
    for n in 1 2 3 4 5 6; do make_box "$APP/$n.dat" "45000|箱${n}のメモ"; done
    "$setup"
    [ ${#AS_USER[@]} -gt 0 ] && chown -R nobody "$APP"
    [ -n "${AFTER_CHOWN:-}" ] && "$AFTER_CHOWN"
    local before
    before=$(cd "$APP" && find . -maxdepth 1 -name '[1-6].dat*' | sort | while read -r f; do
        if [ -d "$f" ]; then echo "$f dir"; else echo "$f $(sha256sum <"$f")"; fi
    done)

    (cd "$APP" && exec "${AS_USER[@]}" ./tabuko >"$WORK/app.log" 2>&1) &
    APP_PID=$!

    # Answer every message with OK until the wall is up and nothing more is asked.
    local messages=0 quiet=0 id wall= x y
    while [ "$quiet" -lt 15 ]; do
        id=
        for w in $(xdotool search --onlyvisible --name '^Tabuko$' 2>/dev/null); do
            if xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q DIALOG; then id=$w; else wall=$w; fi
        done
        if [ -n "$id" ]; then
            messages=$((messages + 1))
            screenshot "$WORK/$name-message$messages.png"
            xdotool windowfocus "$id" sleep 0.2 key Return
            sleep 0.5
            quiet=0
        else
            [ -n "$wall" ] && quiet=$((quiet + 1))
            sleep 0.2
        fi
        kill -0 "$APP_PID" 2>/dev/null || fail "$name: the program ended: $(cat "$WORK/app.log")"
        [ "$messages" -le 5 ] || fail "$name: more than five messages"
    done
    [ "$messages" = "$expected_messages" ] ||
        fail "$name: $messages messages, not $expected_messages"
    sleep 0.5
    screenshot "$WORK/$name.png"

    if [ "$name" = stripes ]; then
        [ "$(window_size "$wall")" = "4000 4000" ] || fail "$name: wall size $(window_size "$wall")"
    else
        [ "$(window_size "$wall")" = "312 86" ] || fail "$name: wall size $(window_size "$wall")"
        check_outline "$PRISTINE/skin/default/wall.bmp" "$wall"
        for n in 1 2 3 4 5 6; do
            if [ "$n" = "$crossed" ]; then
                # The unavailable box is crossed out, not shown as usual.
                read -r x y < <(window_origin "$wall")
                ! "$TOOLS/e2e_shapecheck" --picture "$WORK/$name.png" \
                    "$PRISTINE/skin/default/box/${n}m.bmp" "$((x + BOX_X[n]))" "$((y + 23))" \
                    >/dev/null || fail "$name: box $n is not shown as unavailable"
            else
                check_picture "$PRISTINE/skin/default/box/${n}m.bmp" "$wall" "${BOX_X[$n]}" 23
            fi
        done
    fi
    tray_icon_window >/dev/null
    quit_by_tray_menu
    grep -q "X11 connection broke" "$WORK/app.log" && fail "$name: $(cat "$WORK/app.log")"

    local after
    after=$(cd "$APP" && find . -maxdepth 1 -name '[1-6].dat*' | sort | while read -r f; do
        if [ -d "$f" ]; then echo "$f dir"; else echo "$f $(sha256sum <"$f")"; fi
    done)
    [ "$before" = "$after" ] || fail "$name: box files changed: $before / $after"
    AFTER_CHOWN=
    echo "ok: $name ($messages messages)"
}

unreadable_box() { AFTER_CHOWN=lock_box3; }
lock_box3() { chmod 000 "$APP/3.dat"; }
folder_box() { rm "$APP/4.dat"; mkdir "$APP/4.dat"; }
unreadable_settings() {
    printf '[MainWindow]\r\nTop=40\r\n' >"$APP/TabukoExc.ini"
    AFTER_CHOWN=lock_settings
}
lock_settings() { chmod 000 "$APP/TabukoExc.ini"; }
no_wall() { rm "$APP/skin/default/wall.bmp"; }
corrupt_saved_wall() {
    printf '[Skin]\r\nFolder=\\skin\\sakura\r\n' >"$APP/TabukoExc.ini"
    head -c 300 /dev/urandom >"$APP/skin/sakura/wall.bmp"
}
no_box_picture() { rm "$APP/skin/default/box/2m.bmp"; }
no_button() { rm "$APP/skin/default/btn/5.bmp"; }
empty_default() { rm -rf "$APP/skin/default"/*; }
no_default() { rm -rf "$APP/skin/default"; }
striped_wall() {
    mkdir -p "$APP/skin/stripes"
    sed 's/^Image=wall.bmp/Image=stripes.bmp/' "$APP/skin/default/skin.ini" >"$APP/skin/stripes/skin.ini"
    cp -r "$APP/skin/default"/{box,btn,icon} "$APP/skin/stripes/"
    # Diagonal stripes one pixel wide: every row has 2,000 runs, no two rows alike.
    perl -e '
        my ($w, $h) = (4000, 4000); my $row = $w * 3; my $size = 54 + $row * $h;
        print pack("A2 V v v V V l l v v V V l l V V", "BM", $size, 0, 0, 54, 40, $w, $h, 1, 24,
            0, $row * $h, 2835, 2835, 0, 0);
        for my $y (0 .. $h - 1) {
            my $line = "";
            for my $x (0 .. $w - 1) {
                $line .= (($x + $y) % 2) ? "\x00\xff\x00" : "\x40\x60\x80";
            }
            print $line;
        }' >"$APP/skin/stripes/stripes.bmp"
    printf '[Skin]\r\nFolder=\\skin\\stripes\r\n' >"$APP/TabukoExc.ini"
}

run_case unreadable-box 1 unreadable_box 3
run_case folder-box 1 folder_box 4
run_case unreadable-settings 1 unreadable_settings
[ "$(stat -c %a "$APP/TabukoExc.ini")" = 0 ] && chmod 644 "$APP/TabukoExc.ini"
grep -q '^Top=40' <(tr -d '\r' <"$APP/TabukoExc.ini") || fail "the unreadable settings file was replaced"
run_case no-wall 1 no_wall
run_case corrupt-saved-wall 1 corrupt_saved_wall
grep -q '^Folder=\\skin\\sakura' <(tr -d '\r' <"$APP/TabukoExc.ini") ||
    fail "the saved skin was overwritten by the fallback: $(cat "$APP/TabukoExc.ini")"
run_case no-box-picture 1 no_box_picture
run_case no-button 1 no_button
run_case empty-default 1 empty_default
run_case no-default 1 no_default
run_case stripes 0 striped_wall
echo PASS
