#!/usr/bin/env bash
# The wall under a desktop ($3: bare or openbox): a double click hides it, it stays off the task
# bar and pager through hide, show and stay-on-top; with a window manager, a minimised editor comes
# back and closing the wall the window manager's way (Alt+F4) ends the program with its settings
# written.
source "$(dirname "$0")/lib.sh"
start_desktop "${3:?desktop}"

start_app
wall=$(wall_window)
icon=$(tray_icon_window)
sleep 0.5
wait_state "$wall" = _NET_WM_STATE_SKIP_TASKBAR

# A double click on the wall (away from the box icons) hides it, with or without a window
# manager that takes the pointer to move the wall.
xdotool mousemove --window "$wall" 100 20 click --repeat 2 --delay 80 1
for _ in $(seq 20); do viewable "$wall" || break; sleep 0.1; done
viewable "$wall" && fail "a double click did not hide the wall"
# Shown again from the notification-area icon's menu ("ウィンドウ表示", fifth from the end).
click_in 5 5 3 "$icon"
popup_menu >/dev/null
xdotool key Up Up Up Up Up sleep 0.2 key Return
wall=$(wall_window)
wait_state "$wall" = _NET_WM_STATE_SKIP_TASKBAR
wait_state "$wall" = _NET_WM_STATE_SKIP_PAGER

# A drag still moves the wall.
read -r x0 y0 < <(window_origin "$wall")
xdotool mousemove --window "$wall" 100 20 mousedown 1 sleep 0.2 mousemove_relative 20 20 \
    sleep 0.1 mousemove_relative 80 80 sleep 0.3 mouseup 1
sleep 0.5
read -r x1 y1 < <(window_origin "$wall")
[ "$x1" -gt "$x0" ] && [ "$y1" -gt "$y0" ] || fail "the wall did not follow a drag ($x0,$y0 -> $x1,$y1)"

# A box icon's hint shows while another program's window is the active one.
if has_window_manager; then
    xmessage -geometry +600+400 other >/dev/null 2>&1 &
    PIDS+=($!)
    other=$(wait_window xmessage)
    xdotool windowactivate --sync "$other"
    [ "$(xdotool getactivewindow)" = "$other" ] || fail "xmessage is not active"
fi
xdotool mousemove --window "$wall" 84 43 sleep 0.3 mousemove --window "$wall" 86 44
hint=
for _ in $(seq 30); do
    for id in $(xdotool search --onlyvisible --class tabuko 2>/dev/null); do
        info=$(xwininfo -id "$id" 2>/dev/null) || continue
        grep -q "Override Redirect State: yes" <<<"$info" || continue
        [ "$(awk '/Width:/ {print $2}' <<<"$info")" -ge 40 ] &&
            [ "$(awk '/Height:/ {print $2}' <<<"$info")" -lt 40 ] && hint=$id
    done
    [ -n "$hint" ] && break
    sleep 0.1
done
[ -n "$hint" ] || fail "no hint over box 2 while the wall is not active"
screenshot "$WORK/hint.png"
xdotool mousemove 700 700
sleep 0.5

# "常に手前" on and off from the wall's menu (ウィンドウ, then its second item).
for want in = '!'; do
    click_in 100 20 3 "$wall"
    popup_menu >/dev/null
    xdotool key Down Down Right sleep 0.3 key Down Return
    sleep 1
    wall=$(wall_window)
    wait_state "$wall" "$want" _NET_WM_STATE_ABOVE
    wait_state "$wall" = _NET_WM_STATE_SKIP_TASKBAR
done

if has_window_manager; then
    # Alt+F4 on the active wall ends the program, and the settings are written.
    # The wall is made active by hiding it and showing it again from the notification-area icon
    # (stay-on-top registered the icon anew).
    rm -f "$APP/TabukoExc.ini"
    for _ in 1 2; do
        click_in 5 5 3 "$(tray_icon_window)"
        popup_menu >/dev/null
        xdotool key Up Up Up Up Up sleep 0.2 key Return
        sleep 0.8
    done
    [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = Tabuko ] ||
        fail "the wall is not active after ウィンドウ表示"
    xdotool key alt+F4
    wait_app_exit
    grep -q '^Visible=1' "$APP/TabukoExc.ini" || fail "no settings written at Alt+F4"
    grep -q "^Left=$x1" "$APP/TabukoExc.ini" || fail "the wall's position was not saved"

    # The editor, minimised by the window manager, comes back: it blocks every other window.
    start_app
    wall=$(wall_window)
    tray_icon_window >/dev/null
    xdotool mousemove --window "$wall" 36 43 click --repeat 2 --delay 80 1
    editor=$(wait_window "Tabuko - [メモ]を新規作成 -")
    sleep 0.5
    xdotool windowminimize "$editor"
    sleep 1.5
    viewable "$editor" || fail "the editor was left minimised"
    xprop -id "$editor" WM_STATE | grep -q 'window state: Normal' || fail "the editor is iconic"
    screenshot "$WORK/editor-back.png"
    end_app_by_signal TERM
else
    quit_by_tray_menu
fi
echo PASS
