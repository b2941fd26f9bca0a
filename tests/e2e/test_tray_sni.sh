#!/usr/bin/env bash
# A StatusNotifierItem tray on a private session bus, with no XEmbed tray on the display. There
# at start: the icon shows the program's icon and tip, Activate opens the box list and ContextMenu
# the application menu at the pointer, the item exports the application menu for hosts that draw
# it themselves (the wall hidden and shown again, the program ended from it), and a host that
# restarts gets the item again. Started after the program: the item registers just as well.
source "$(dirname "$0")/lib.sh"
start_bare_display
start_session_bus
make_box "$APP/1.dat" "45000|一つ目" "45001|二つ目"

skin_value() {
    iconv -f CP932 -t UTF-8 "$APP/skin/default/skin.ini" | tr -d '\r' |
        awk -F= -v key="$1" '/^\[Box1\]/ {b=1; next} /^\[/ {b=0} b && $1==key {print $2}'
}

# Tip and icon as the skin gives them for box 1 holding two memos (below its warning count).
check_item() {
    local hint icon_file w h frames frame diff
    hint=$(skin_value Hint1)
    hint=${hint//_EEE_/$(skin_value Element)}
    hint=${hint//_XXX_/2}
    [ "$(sni_item tip)" = "Tabuko [$hint]" ] || fail "tip '$(sni_item tip)', not 'Tabuko [$hint]'"
    icon_file=$APP/skin/default/$(skin_value Icon_Mid | tr '\\' /)
    read -r w h < <(sni_item icon | tr x ' ')
    [ "$w" -ge 16 ] && [ "$h" -ge 16 ] || fail "no icon picture (${w}x$h)"
    # The icon file's picture of the same size (or its largest).
    frames=$(identify -format '%p %w\n' "$icon_file" | sort -k2 -n)
    frame=$(awk -v w="$w" '$2 == w {print $1; exit}' <<<"$frames")
    frame=${frame:-$(tail -n 1 <<<"$frames" | cut -d' ' -f1)}
    convert "$icon_file[$frame]" -resize "${w}x${h}!" "$WORK/expected-icon.png"
    diff=$(compare -metric AE -fuzz 10% "$WORK/sni/icon.png" "$WORK/expected-icon.png" null: 2>&1 ||
        true)
    [ "${diff%% *}" -le $((w * h / 20)) ] 2>/dev/null ||
        fail "the icon is not $icon_file ($diff pixels differ)"
}

# Activate: the box list at the pointer; ContextMenu: the (taller) application menu, left open.
check_menus() {
    local left x y left_h right right_h
    xdotool mousemove 600 400
    sleep 0.3
    sni_call Activate 600 400
    left=$(popup_menu)
    read -r x y < <(window_origin "$left")
    [ "$x" -ge 590 ] && [ "$x" -le 610 ] && [ "$y" -ge 390 ] && [ "$y" -le 410 ] ||
        fail "box list at $x,$y, not at the pointer"
    read -r _ left_h < <(window_size "$left")
    xdotool key Escape
    sleep 0.5
    no_popup_menu || fail "the box list did not close"
    sni_call ContextMenu 600 400
    right=$(popup_menu)
    read -r _ right_h < <(window_size "$right")
    [ "$right_h" -gt "$left_h" ] || fail "ContextMenu did not open the application menu"
}

# The application menu as a host that draws it sees it: the window commands follow the wall.
wall_hidden() {
    for _ in $(seq 50); do
        [ -z "$(visible_window Tabuko)" ] && return 0
        sleep 0.1
    done
    return 1
}
check_exported_menu() {
    local menu
    [ "$(sni_item menu)" = /MenuBar ] || fail "the item exports no menu ('$(sni_item menu)')"
    menu=$(sni_menu)
    grep -qx '終了' <<<"$menu" || fail "no 終了 in the exported menu: $menu"
    grep -qx 'ウィンドウを隠す' <<<"$menu" && grep -qx 'ウィンドウ表示.* \[hidden\]' <<<"$menu" ||
        fail "the wall is shown, but the exported menu says: $menu"
    sni_menu ウィンドウを隠す
    wall_hidden || fail "ウィンドウを隠す in the exported menu did not hide the wall"
    menu=$(sni_menu)
    grep -qx 'ウィンドウ表示' <<<"$menu" && grep -qx 'ウィンドウを隠す.* \[hidden\]' <<<"$menu" ||
        fail "the wall is hidden, but the exported menu says: $menu"
    sni_menu ウィンドウ表示
    wall_window >/dev/null
}

# 終了 from the exported menu, with the settings written.
quit_from_exported_menu() {
    sni_menu 終了
    wait_app_exit
    grep -q '^\[MainWindow\]$' <(tr -d '\r' <"$APP/TabukoExc.ini") || fail "no settings written"
}

# 終了 from the open application menu (its last item).
quit_from_menu() {
    xdotool key Up sleep 0.2 key Return
    wait_app_exit
    grep -q '^\[MainWindow\]$' <(tr -d '\r' <"$APP/TabukoExc.ini") || fail "no settings written"
}

start_sni_host
start_app
[ "$(answer_messages 2)" = 0 ] || fail "a message although a tray is there"
wall_window >/dev/null
check_item
check_menus
xdotool key Escape
sleep 0.5
check_exported_menu

# The host restarts: the item registers with the new one.
kill "$SNI_PID"
wait "$SNI_PID" 2>/dev/null || true
start_sni_host
check_item
check_menus
xdotool key Escape
sleep 0.5
quit_from_exported_menu

# The host starts after the program: one message at start, then the item registers.
kill "$SNI_PID"
wait "$SNI_PID" 2>/dev/null || true
start_app
[ "$(answer_messages 1)" = 1 ] || fail "not exactly one message without a tray"
wall_window >/dev/null
start_sni_host
check_item
check_exported_menu
check_menus
quit_from_menu
echo PASS
