#!/usr/bin/env bash
# A Wayland session (weston) with XWayland and the toolkit's Wayland plugin installed: the
# program runs on the X display, asks for the saved position and is cut to its outline.
# weston's shell places X11 windows itself, so where the wall ends up is weston's choice.
# Told to run natively (QT_QPA_PLATFORM=wayland), it still shows the wall cut to its outline.
source "$(dirname "$0")/lib.sh"
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
    { echo "SKIP: the toolkit's Wayland plugin is not installed (qt6-wayland)"; exit 77; }
unset QT_QPA_PLATFORM
start_weston
printf '[MainWindow]\r\nLeft=300\r\nTop=200\r\n' >"$APP/TabukoExc.ini"
# The notification area is a StatusNotifierItem host, which draws nothing on the screen.
start_session_bus
start_sni_host
sleep 1
weston_screenshot "$WORK/desktop.png"
start_app
[ -n "$(sni_item service)" ] || fail "no notification-area icon"
wall=$(wall_window)
xprop -id "$wall" WM_NORMAL_HINTS | grep -q 'user specified location: 300, 200' ||
    fail "the wall does not ask for its saved position: $(xprop -id "$wall" WM_NORMAL_HINTS)"
# The wall may take a moment to be drawn after it is mapped.
for attempt in $(seq 10); do
    sleep 1
    weston_screenshot "$WORK/wall.png"
    "$TOOLS/e2e_shapecheck" --over "$WORK/desktop.png" "$WORK/wall.png" \
        "$APP/skin/default/wall.bmp" && break
    [ "$attempt" -lt 10 ] || fail "the wall is not cut to its outline (see $WORK/wall.png)"
done
kill -TERM "$APP_PID"
wait "$APP_PID" && status=0 || status=$?
APP_PID=
[ "$status" = 0 ] || fail "exit status $status"
grep -q '^Left=' <(tr -d '\r' <"$APP/TabukoExc.ini") || fail "settings not written"

# Natively on Wayland: no X11 window, the outline from transparent pixels.
rm -f "$WORK/sni/item.txt"
(cd "$APP" && QT_QPA_PLATFORM=wayland exec ./tabuko >"$WORK/app.log" 2>&1) &
APP_PID=$!
[ -n "$(sni_item service)" ] || fail "no notification-area icon on Wayland"
[ -z "$(visible_window Tabuko)" ] || fail "an X11 window although Wayland was chosen"
for attempt in $(seq 10); do
    sleep 1
    weston_screenshot "$WORK/native.png"
    "$TOOLS/e2e_shapecheck" --over "$WORK/desktop.png" "$WORK/native.png" \
        "$APP/skin/default/wall.bmp" && break
    [ "$attempt" -lt 10 ] || fail "the wall is not cut to its outline on Wayland (see $WORK/native.png)"
done
kill -TERM "$APP_PID"
wait "$APP_PID" && status=0 || status=$?
APP_PID=
[ "$status" = 0 ] || fail "exit status $status on Wayland"
echo PASS
