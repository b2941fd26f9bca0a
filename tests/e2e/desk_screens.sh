#!/usr/bin/env bash
# Two screens side by side ($3: twoscreens): a wall saved on the second screen opens there, one
# saved where no screen is opens centred on the primary screen, and so does an editor saved there.
# The program runs without an X server here, so the positions are read back from the settings it
# writes when a signal ends it.
source "$(dirname "$0")/lib.sh"
start_desktop "${3:?desktop}"

# Starts the program with settings $1, ends it by SIGTERM once it has started and keeps the
# settings it wrote in written.ini.
run_with() {
    printf '%b' "$1" >"$APP/TabukoExc.ini"
    rm -f "$WORK/app.log"
    start_app
    # Started: the start-up message about the missing notification area was asked for.
    wait_channel
    sleep 1.5
    end_app_by_signal TERM
    [ "$APP_STATUS" = 0 ] || fail "exit status $APP_STATUS"
    tr -d '\r' <"$APP/TabukoExc.ini" >"$WORK/written.ini"
}

# The wall is 312 x 86 (the default skin).
run_with '[MainWindow]\r\nTop=600\r\nLeft=1900\r\n'
settings=$(cat "$WORK/written.ini")
grep -qx 'Left=1900' <<<"$settings" && grep -qx 'Top=600' <<<"$settings" ||
    fail "the wall on the second screen moved: $settings"

run_with '[MainWindow]\r\nTop=900\r\nLeft=100\r\n'
settings=$(cat "$WORK/written.ini")
grep -qx "Left=$((512 - 156))" <<<"$settings" && grep -qx "Top=$((384 - 43))" <<<"$settings" ||
    fail "a wall below the primary screen, beside the second, was not centred: $settings"

run_with '[MainWindow]\r\nTop=5\r\nLeft=-99999\r\n'
settings=$(cat "$WORK/written.ini")
grep -qx "Left=$((512 - 156))" <<<"$settings" || fail "a wall far left was not centred: $settings"
echo PASS
