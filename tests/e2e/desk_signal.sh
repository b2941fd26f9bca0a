#!/usr/bin/env bash
# SIGTERM, as at log-out, on a desktop ($3: bare or openbox): the program ends with status 0 and
# writes its settings (the wall's position and visibility, the skin); the box files stay as they
# were.
source "$(dirname "$0")/lib.sh"
start_desktop "${3:?desktop}"

make_box "$APP/2.dat" "45000|kept as it is"
box2=$(hex_of "$APP/2.dat")
printf '[MainWindow]\r\nTop=150\r\nLeft=70\r\n' >"$APP/TabukoExc.ini"
start_app
wall=$(wall_window)
tray_icon_window >/dev/null
sleep 0.5
read -r x y < <(window_origin "$wall")

# Hidden with a double click, then ended by the signal.
xdotool mousemove --window "$wall" 100 20 click --repeat 2 --delay 80 1
for _ in $(seq 20); do [ -z "$(visible_window Tabuko)" ] && break; sleep 0.1; done
end_app_by_signal TERM
[ "$APP_STATUS" = 0 ] || fail "exit status $APP_STATUS at SIGTERM"
settings=$(tr -d '\r' <"$APP/TabukoExc.ini")
grep -qx 'Visible=0' <<<"$settings" || fail "visibility not saved: $settings"
grep -qx "Left=$x" <<<"$settings" && grep -qx "Top=$y" <<<"$settings" ||
    fail "position $x,$y not saved: $settings"
grep -qx 'Folder=\\skin\\default' <<<"$settings" || fail "skin not saved: $settings"
[ "$(hex_of "$APP/2.dat")" = "$box2" ] || fail "2.dat changed"
echo PASS
