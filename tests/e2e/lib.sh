# Shared by the end-to-end tests: a virtual display with a tray host, a temporary copy of the
# portable folder, and helpers to drive the real program with xdotool.
# Usage: source lib.sh <portable folder>
set -euo pipefail

STAGE=${1:?portable folder}
TOOLS=${2:-}
for tool in Xvfb trayer xdotool xwininfo xprop import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed; end-to-end tests need Xvfb, trayer, xdotool, x11-utils and imagemagick"
        exit 77
    fi
done

WORK=$(mktemp -d /tmp/tabuko-e2e.XXXXXX)
APP=$WORK/Tabuko
mkdir -p "$APP"
cp -r "$STAGE"/tabuko "$STAGE"/skin "$APP"/
cp "$STAGE"/*.txt "$APP"/ 2>/dev/null || true
rm -f "$APP"/TabukoDelLog.txt
# A runtime folder of this run's own: the programs' channels live there.
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

PIDS=()
APP_PID=
cleanup() {
    local status=$?
    if [ "$status" -ne 0 ] && [ -n "${DISPLAY:-}" ]; then
        import -window root "$WORK/failure.png" 2>/dev/null && echo "screenshot: $WORK/failure.png"
        [ -f "$WORK/app.log" ] && sed 's/^/app: /' "$WORK/app.log" | tail -20
    fi
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${IM_USER:-}" ] && remove_im_user
    wait 2>/dev/null || true
    [ -n "${SHELL_PID:-}" ] && remove_x_locks "$SHELL_PID"
    [ "$status" -eq 0 ] && [ -z "${E2E_KEEP:-}" ] && rm -rf "$WORK"
    [ -n "${E2E_KEEP:-}" ] && echo "kept: $WORK"
    exit "$status"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Starts Xvfb on a free display, without a tray host.
start_bare_display() {
    local n
    for n in $(seq 120 199); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
    done
    Xvfb ":$n" -screen 0 1280x800x24 -br -nolisten tcp >/dev/null 2>&1 &
    PIDS+=($!)
    export DISPLAY=:$n
    for _ in $(seq 100); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
}

# Starts Xvfb on a free display and a tray host on it.
start_display() {
    start_bare_display
    start_tray_late 0
    sleep 0.5
}

# Starts a desktop of kind $1 for the program:
#   bare        Xvfb with a tray host and no window manager (as start_display)
#   openbox     the same with the openbox window manager
#   gnome       GNOME Shell without a screen, Wayland with XWayland and two monitors (start_gnome)
#   xfce        Xvfb with the Xfce window manager and panel (start_xfce)
#   kwin        KWin on Wayland without a screen, with XWayland, and our StatusNotifierItem
#               host on a private session bus as the notification area (start_kwin)
start_desktop() {
    DESKTOP=$1
    case "$DESKTOP" in
    bare) start_display ;;
    openbox)
        command -v openbox >/dev/null 2>&1 || { echo "SKIP: openbox is not installed"; exit 77; }
        start_display
        openbox --sm-disable >/dev/null 2>&1 &
        PIDS+=($!)
        for _ in $(seq 100); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
            sleep 0.1
        done
        xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "openbox did not start"
        ;;
    gnome) start_gnome ;;
    xfce) start_xfce ;;
    kwin) start_kwin ;;
    *) fail "unknown desktop $DESKTOP" ;;
    esac
}

# Whether the desktop has a window manager.
has_window_manager() { [ "${DESKTOP:-bare}" != bare ]; }

APP_ENV=()
# The command prefix that runs the program as another user (start_input_method sets it).
AS_USER=()

# Starts the program in the portable folder copy (its current directory).
start_app() {
    (cd "$APP" && exec "${AS_USER[@]}" env "${APP_ENV[@]}" ./tabuko >"$WORK/app.log" 2>&1) &
    APP_PID=$!
}

# Waits until the program listens on its channel: it holds its folder's lock by then.
wait_channel() {
    for _ in $(seq 100); do
        compgen -G "$XDG_RUNTIME_DIR/tabuko-*" >/dev/null && return 0
        sleep 0.1
    done
    fail "the program does not listen on its channel"
}

# Ends the program with signal $1 and sets APP_STATUS to its exit status.
end_app_by_signal() {
    APP_STATUS=0
    kill "-$1" "$APP_PID"
    for _ in $(seq 100); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$APP_PID" 2>/dev/null && fail "the program did not end at SIG$1"
    wait "$APP_PID" || APP_STATUS=$?
    APP_PID=
}

# Waits until the program has ended by itself.
wait_app_exit() {
    for _ in $(seq 100); do
        kill -0 "$APP_PID" 2>/dev/null || {
            APP_STATUS=0
            wait "$APP_PID" || APP_STATUS=$?
            APP_PID=
            return 0
        }
        sleep 0.1
    done
    fail "the program did not end"
}

# Whether window $1 is mapped and viewable.
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
# Waits until window $1's X11 state lists (or, with "!" as $2, does not list) atom $3.
wait_state() {
    local id=$1 want=$2 atom=$3 state
    for _ in $(seq 30); do
        state=$(xprop -id "$id" _NET_WM_STATE 2>/dev/null || true)
        if [ "$want" = "!" ]; then grep -q "$atom" <<<"$state" || return 0
        else grep -q "$atom" <<<"$state" && return 0; fi
        sleep 0.1
    done
    fail "wall state '$state': expected $want $atom"
}

# The visible window whose title is exactly $1, or nothing.
visible_window() {
    local pattern
    pattern=$(printf '%s' "$1" | sed 's/[][\\.*^$()+?{}|]/\\&/g')
    xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null | head -n 1 || true
}

# Waits for a visible window titled $1 and prints its id.
wait_window() {
    local id
    for _ in $(seq 100); do
        id=$(visible_window "$1")
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    fail "no window titled '$1'"
}

wall_window() { wait_window Tabuko; }

# "x y" of a window's top-left corner on the screen.
window_origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'
}

window_size() {
    xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}'
}

# The program's notification-area icon window (embedded in the tray host), printed as an id.
tray_icon_window() {
    local id
    for _ in $(seq 100); do
        for id in $(xdotool search --class tabuko 2>/dev/null); do
            read -r w h < <(window_size "$id")
            if [ "$w" -le 64 ] && [ "$h" -le 64 ] && [ "$w" -ge 8 ] &&
                xwininfo -id "$id" | grep -q "IsViewable"; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    fail "no notification-area icon"
}

# Pop-up menus are the program's override-redirect windows taller than a tool tip (the embedded
# notification-area icon and tool tips are override-redirect too).
is_popup() {
    local info
    info=$(xwininfo -id "$1" 2>/dev/null) || return 1
    grep -q "Override Redirect State: yes" <<<"$info" || return 1
    [ "$(awk '/Height:/ {print $2}' <<<"$info")" -ge 40 ] &&
        [ "$(awk '/Width:/ {print $2}' <<<"$info")" -ge 40 ]
}

# The open pop-up menu window of the program, printed as an id (waits for one).
popup_menu() {
    local id
    for _ in $(seq 50); do
        for id in $(xdotool search --onlyvisible --class tabuko 2>/dev/null); do
            if is_popup "$id"; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.1
    done
    fail "no pop-up menu opened"
}

# Waits until no pop-up menu is open; fails after two seconds.
no_popup_menu() {
    local id open
    for _ in $(seq 20); do
        open=0
        for id in $(xdotool search --onlyvisible --class tabuko 2>/dev/null); do
            is_popup "$id" && open=1
        done
        [ "$open" = 0 ] && return 0
        sleep 0.1
    done
    return 1
}

# Clicks button $3 at window-relative x $1, y $2 of window $4.
click_in() {
    xdotool mousemove --window "$4" "$1" "$2" sleep 0.2 click "$3"
}

# Types $2 into the new-memo editor titled $1 once it shows, and presses its OK button.
type_memo() {
    local editor
    editor=$(wait_window "$1")
    sleep 0.5
    xdotool type --delay 50 "$2"
    click_in 245 284 1 "$editor"
    sleep 1
}

# Waits until file $1 exists.
wait_file() {
    for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.1; done
    fail "no file $1"
}

# Hex dump of a file, bytes separated by blanks.
hex_of() { od -An -v -tx1 "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }

screenshot() {
    if [ "${DESKTOP:-}" = kwin ]; then kwin_screenshot "$1"; else import -window root "$1"; fi
}

# Ends the program through the notification-area icon's right-button menu ("終了" is last).
quit_by_tray_menu() {
    local icon
    icon=$(tray_icon_window)
    click_in 5 5 3 "$icon"
    sleep 0.5
    xdotool key Up sleep 0.2 key Return
    wait_app_exit
}

# Checks that the screen shows wall bitmap $1 cut to its outline at window $2's origin.
check_outline() {
    local shot=$WORK/outline-$RANDOM.png
    screenshot "$shot"
    read -r x y < <(window_origin "$2")
    "$TOOLS/e2e_shapecheck" "$shot" "$1" "$x" "$y" || fail "the wall is not cut to $1 (see $shot)"
}

# The colour of the screen pixel at x $1, y $2, as "#RRGGBB".
screen_pixel() {
    import -window root -crop "1x1+$1+$2" +repage -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1
}

# Checks that the screen shows picture $1 (its bottom-left colour left out) at window $2's
# x $3, y $4.
check_picture() {
    local shot=$WORK/picture-$RANDOM.png x y
    screenshot "$shot"
    read -r x y < <(window_origin "$2")
    "$TOOLS/e2e_shapecheck" --picture "$shot" "$1" "$((x + $3))" "$((y + $4))" ||
        fail "$1 is not shown at $3,$4 (see $shot)"
}

# Writes box file $1 holding the memos given as further arguments, each "date|text" with the
# memo date as a day number (the stored moment is the same) and the text in UTF-8, lines
# separated by "\n"; the text is stored as CP932 with CR LF after every line.
make_box() {
    local file=$1 memo date text
    shift
    perl -e 'print pack("l<", shift)' "$#" >"$file"
    for memo in "$@"; do
        date=${memo%%|*}
        text=${memo#*|}
        printf '%b\n' "$text" | iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >"$WORK/text.bin"
        perl -e 'print pack("l<", -s $ARGV[0])' "$WORK/text.bin" >>"$file"
        cat "$WORK/text.bin" >>"$file"
        perl -e 'print pack("d<d<l<", $ARGV[0], $ARGV[0], 0)' "$date" >>"$file"
    done
}

# The text of the memos of box file $1 in file order, one line "title" per memo (first line,
# decoded from CP932).
box_titles() {
    perl -e '
        open my $f, "<:raw", $ARGV[0] or die; local $/; my $b = <$f>;
        my ($n) = unpack("l<", $b); my $p = 4;
        for (1..$n) { my ($l) = unpack("l<", substr($b, $p, 4)); $p += 4;
            my $t = substr($b, $p, $l); $p += $l + 20; $t =~ s/\r\n.*//s; print "$t\n"; }
    ' "$1" | iconv -f CP932 -t UTF-8
}

# ---- notification areas that come late or not at all, D-Bus trays, Wayland ----

# Starts the tray host on the current display after $1 seconds (0: now); TRAY_PID is its shell.
start_tray_late() {
    (sleep "$1" && exec trayer --edge bottom --align right --widthtype request --height 32 \
        --transparent false --tint 0x404040 >/dev/null 2>&1) &
    TRAY_PID=$!
    PIDS+=($!)
}

# The program's message boxes (dialogs titled "Tabuko"), printed as ids.
message_boxes() {
    local w
    for w in $(xdotool search --onlyvisible --name '^Tabuko$' 2>/dev/null); do
        xprop -id "$w" _NET_WM_WINDOW_TYPE | grep -q DIALOG && echo "$w"
    done
    return 0
}

# Answers the program's message boxes with OK until none has come for $1 seconds (default 2);
# prints how many there were.
answer_messages() {
    local quiet=0 count=0 id limit=$((${1:-2} * 5))
    while [ "$quiet" -lt "$limit" ]; do
        id=$(message_boxes | head -n 1)
        if [ -n "$id" ]; then
            count=$((count + 1))
            [ "$count" -le 5 ] || fail "a message box does not close"
            xdotool windowfocus "$id" sleep 0.2 key Return
            sleep 0.3
            quiet=0
        else
            quiet=$((quiet + 1))
            sleep 0.2
        fi
    done
    echo "$count"
}

# Whether the program has a notification-area icon now (no waiting).
has_tray_icon() {
    local id w h
    for id in $(xdotool search --class tabuko 2>/dev/null); do
        read -r w h < <(window_size "$id")
        [ "$w" -le 64 ] && [ "$h" -le 64 ] && [ "$w" -ge 8 ] &&
            xwininfo -id "$id" | grep -q "IsViewable" && return 0
    done
    return 1
}

# Starts a private session bus and points the programs started after it at it.
start_session_bus() {
    command -v dbus-daemon >/dev/null || { echo "SKIP: dbus-daemon is not installed"; exit 77; }
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$WORK/bus.address" \
        >/dev/null 2>&1 &
    PIDS+=($!)
    for _ in $(seq 50); do [ -s "$WORK/bus.address" ] && break; sleep 0.1; done
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$WORK/bus.address")
    [ -n "$DBUS_SESSION_BUS_ADDRESS" ] || fail "the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS
}

# Waits up to $1 tenths of a second for a StatusNotifierWatcher on the session bus.
wait_watcher() {
    for _ in $(seq "$1"); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher 2>/dev/null |
            grep -q 'boolean true' && return 0
        sleep 0.1
    done
    return 1
}

# Starts our StatusNotifierItem host on the session bus; it describes registered items in
# $WORK/sni (item.txt, icon.png). SNI_PID is its id.
start_sni_host() {
    mkdir -p "$WORK/sni"
    rm -f "$WORK/sni/item.txt" "$WORK/sni/icon.png"
    QT_QPA_PLATFORM=offscreen "$TOOLS/e2e_snihost" "$WORK/sni" >>"$WORK/sni.log" 2>&1 &
    SNI_PID=$!
    PIDS+=($!)
    wait_watcher 50 && return 0
    fail "the StatusNotifierItem host did not start"
}

# Value $1 of the item the host saw last (waits for one to register).
sni_item() {
    wait_file "$WORK/sni/item.txt"
    sed -n "s/^$1=//p" "$WORK/sni/item.txt"
}

# Calls method $1 (Activate, ContextMenu, ...) of the registered item at screen x $2, y $3.
sni_call() {
    dbus-send --session --type=method_call --dest="$(sni_item service)" "$(sni_item path)" \
        "org.kde.StatusNotifierItem.$1" "int32:$2" "int32:$3"
}

# Opens the registered item's exported menu as a panel that draws menus does: without arguments
# prints it, one item a line; with labels, clicks the item they lead to (see e2e_snihost).
sni_menu() {
    QT_QPA_PLATFORM=offscreen "$TOOLS/e2e_snihost" menu "$(sni_item service)" "$(sni_item menu)" "$@"
}

# Starts weston without a screen (pixman drawing, so that it can take screenshots) with XWayland,
# in a runtime folder of its own. Sets WAYLAND_DISPLAY, XDG_RUNTIME_DIR and DISPLAY (the X server
# that XWayland serves; it starts on the first X client).
start_weston() {
    local tool
    for tool in weston Xwayland weston-screenshooter; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    export XDG_RUNTIME_DIR=$WORK/runtime
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    # No panel (its clock would change the screen) and a plain desktop.
    printf '[shell]\npanel-position=none\nbackground-color=0xff204060\n' >"$WORK/weston.ini"
    weston --config="$WORK/weston.ini" --backend=headless-backend.so --use-pixman --xwayland \
        --debug --idle-time=0 --socket=wayland-tabuko --width=1280 --height=800 \
        >"$WORK/weston.log" 2>&1 &
    PIDS+=($!)
    export WAYLAND_DISPLAY=wayland-tabuko XDG_SESSION_TYPE=wayland
    for _ in $(seq 100); do
        DISPLAY=$(grep -o 'xserver listening on display :[0-9]*' "$WORK/weston.log" |
            grep -o ':[0-9]*$' || true)
        [ -n "$DISPLAY" ] && break
        sleep 0.1
    done
    [ -n "$DISPLAY" ] || fail "weston did not start XWayland: $(tail -5 "$WORK/weston.log")"
    export DISPLAY
    for _ in $(seq 100); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
}

# Saves what weston shows to $1 (PNG).
weston_screenshot() {
    local folder=$WORK/shots-$RANDOM
    mkdir -p "$folder"
    (cd "$folder" && weston-screenshooter >/dev/null 2>&1) || fail "no screenshot from weston"
    mv "$folder"/*.png "$1"
    rmdir "$folder"
}

# ---- real desktops: GNOME Shell (Wayland with XWayland, two monitors) and Xfce (X11) ----

# Skips the test unless every program named is installed.
need_programs() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
    done
}

# Starts a system bus of this run's own (the shell asks it for logins, power and the like) and
# points the programs started after it at it.
start_system_bus() {
    mkdir -p "$WORK/system"
    cat >"$WORK/system/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$WORK/system/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --config-file="$WORK/system/bus.conf" --nofork --nopidfile >/dev/null 2>&1 &
    PIDS+=($!)
    for _ in $(seq 50); do [ -S "$WORK/system/bus" ] && break; sleep 0.1; done
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$WORK/system/bus
}

# Evaluates JavaScript $1 in the shell (our own extension put it in unsafe mode) and prints the
# result; fails when the shell refuses it or the code throws.
shell_eval() {
    local out
    out=$(gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.gnome.Shell.Eval "$1" 2>&1) || fail "shell Eval: $out"
    case "$out" in
    "(true, "*) out=${out#(true, \'}; out=${out%\')}; out=${out#\"}; echo "${out%\"}" ;;
    *) fail "shell Eval refused: $out" ;;
    esac
}

# Starts GNOME Shell without a screen, as a Wayland compositor with XWayland and two monitors
# side by side: 1280x800 (primary, panel on top) at 0,0 and 1024x768 at 1280,0. Its settings,
# extensions and buses are this run's own: the AppIndicator extension shows StatusNotifierItems,
# and an extension of the test's own lets the test drive the shell over D-Bus.
start_gnome() {
    local ext=/usr/share/gnome-shell/extensions/ubuntu-appindicators@ubuntu.com own
    need_programs gnome-shell dbus-daemon gdbus unshare Xwayland
    [ -d "$ext" ] || { echo "SKIP: the shell's AppIndicator extension is not installed"; exit 77; }
    export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_DATA_HOME=$WORK/home/.local/share
    export XDG_CACHE_HOME=$WORK/home/.cache GSETTINGS_BACKEND=keyfile NO_AT_BRIDGE=1
    own=$XDG_DATA_HOME/gnome-shell/extensions/tabuko-test@tabuko
    mkdir -p "$own" "$XDG_CONFIG_HOME/glib-2.0/settings" "$XDG_CACHE_HOME"
    printf '{"uuid": "tabuko-test@tabuko", "name": "Tabuko test", "description": "test",
 "shell-version": ["43", "44", "45"]}\n' >"$own/metadata.json"
    printf 'function init() {\n  return { enable() { global.context.unsafe_mode = true; },
  disable() {} };\n}\n' >"$own/extension.js"
    cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<'CONF'
[org/gnome/shell]
enabled-extensions=['ubuntu-appindicators@ubuntu.com', 'tabuko-test@tabuko']
disable-user-extensions=false
welcome-dialog-last-shown-version='999'

[org/gnome/desktop/notifications]
show-banners=false
CONF
    start_system_bus
    start_session_bus
    local shell=(gnome-shell --wayland --headless --wayland-display=wayland-tabuko
        --virtual-monitor 1280x800 --virtual-monitor 1024x768)
    if [ -d /run/systemd/seats ] && ! [ -e /run/systemd/seats/seat0 ] && unshare -m true 2>/dev/null
    then
        # Seats without logind (a container): the shell must not find the folder, or it waits
        # for a seat that never comes.
        unshare -m sh -c 'mount -t tmpfs tmpfs /run/systemd && exec "$@"' sh "${shell[@]}" \
            >"$WORK/shell.log" 2>&1 &
    else
        "${shell[@]}" >"$WORK/shell.log" 2>&1 &
    fi
    SHELL_PID=$!
    PIDS+=($!)
    export WAYLAND_DISPLAY=wayland-tabuko XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
    for _ in $(seq 300); do
        gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
            --method org.gnome.Shell.Eval 'global.context.unsafe_mode' 2>/dev/null |
            grep -q "'true'" && break
        sleep 0.1
    done
    DISPLAY=$(shell_eval "imports.gi.GLib.getenv('DISPLAY')")
    XAUTHORITY=$(shell_eval "imports.gi.GLib.getenv('XAUTHORITY')")
    [ -n "$DISPLAY" ] || fail "the shell did not start: $(tail -5 "$WORK/shell.log")"
    export DISPLAY XAUTHORITY
    for _ in $(seq 100); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
    # The shell opens on its overview.
    shell_eval 'Main.overview.hide(); Main.messageTray.getSources().forEach(s => s.destroy())' \
        >/dev/null
}

# Removes the X display locks (and sockets) that process $1, now ended, left in /tmp: the shell
# leaves those of its XWayland displays behind.
remove_x_locks() {
    local lock n
    for lock in /tmp/.X*-lock; do
        [ -f "$lock" ] && [ ! -L "$lock" ] && [ -O "$lock" ] || continue
        [ "$(tr -d ' \n' <"$lock")" = "$1" ] || continue
        n=${lock#/tmp/.X}
        n=${n%-lock}
        rm -f "$lock" "/tmp/.X11-unix/X$n"
    done
}

# Starts Xvfb with the Xfce window manager and a panel on top with a task list and a status tray
# (which shows StatusNotifierItems and XEmbed icons), on a session bus and settings of the run's
# own.
start_xfce() {
    local folder
    need_programs xfwm4 xfce4-panel dbus-daemon
    [ -x /usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd ] || command -v xfconfd >/dev/null ||
        { echo "SKIP: xfconf is not installed"; exit 77; }
    export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_CACHE_HOME=$WORK/home/.cache
    export XDG_CURRENT_DESKTOP=XFCE NO_AT_BRIDGE=1
    folder=$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml
    mkdir -p "$folder" "$XDG_CACHE_HOME"
    cat >"$folder/xfce4-panel.xml" <<'CONF'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
        <value type="int" value="2"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="tasklist">
      <property name="expand" type="bool" value="true"/>
    </property>
    <property name="plugin-2" type="string" value="systray">
      <property name="square-icons" type="bool" value="true"/>
    </property>
  </property>
</channel>
CONF
    start_bare_display
    start_session_bus
    xfwm4 --compositor=on >"$WORK/xfwm4.log" 2>&1 &
    PIDS+=($!)
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    xfce4-panel >"$WORK/panel.log" 2>&1 &
    PIDS+=($!)
    wait_watcher 100 && return 0
    fail "the Xfce panel's status tray did not start: $(tail -5 "$WORK/panel.log")"
}

# Clicks button $3 (1 left, 3 right) $4 times (default once) at screen x $1, y $2 through the
# shell's own pointer: XTEST on XWayland reaches X clients only, never the shell's panel.
shell_click() {
    shell_eval "const C = imports.gi.Clutter, G = imports.gi.GLib;
        if (!global._tabukoPointer)
            global._tabukoPointer = C.get_default_backend().get_default_seat()
                .create_virtual_device(C.InputDeviceType.POINTER_DEVICE);
        const d = global._tabukoPointer;
        let t = G.get_monotonic_time();
        d.notify_absolute_motion(t, $1, $2);
        for (let i = 0; i < ${4:-1}; ++i) {
            t += 60000; d.notify_button(t, $3, C.ButtonState.PRESSED);
            t += 20000; d.notify_button(t, $3, C.ButtonState.RELEASED);
        }" >/dev/null
}

# JavaScript for the shell: the program's icon in the panel (AppIndicator extension).
SHELL_ICON="Object.entries(Main.panel.statusArea).find(([k]) => k.startsWith('appindicator-'))"

# "x y w h" of the program's icon in the panel, once it shows there.
icon_geometry() {
    local out
    for _ in $(seq 100); do
        case "$DESKTOP" in
        gnome)
            out=$(shell_eval "const e = $SHELL_ICON; !e || !e[1].visible ? '' :
                [...e[1].get_transformed_position(), ...e[1].get_transformed_size()]
                    .map(Math.round).join(' ')")
            ;;
        xfce)
            # The status tray plugin runs in a process of its own, its window plugged into the
            # panel; the icon is its first square.
            local id
            out=
            for id in $(xdotool search --classname wrapper-2.0 2>/dev/null); do
                xwininfo -id "$id" | grep -q IsViewable || continue
                read -r x y < <(window_origin "$id")
                read -r w h < <(window_size "$id")
                [ "$w" -ge "$h" ] && [ "$h" -ge 16 ] && out="$x $y $h $h"
            done
            ;;
        *) fail "no panel on $DESKTOP" ;;
        esac
        [ -n "$out" ] && { echo "$out"; return 0; }
        sleep 0.1
    done
    fail "the program's icon is not in the panel"
}

# Clicks button $1 on the program's icon in the panel, $2 times (default once).
icon_click() {
    local x y w h
    read -r x y w h < <(icon_geometry)
    case "$DESKTOP" in
    gnome) shell_click $((x + w / 2)) $((y + h / 2)) "$1" "${2:-1}" ;;
    *)
        xdotool mousemove $((x + w / 2)) $((y + h / 2)) sleep 0.2 click --repeat "${2:-1}" \
            --delay 80 "$1"
        ;;
    esac
}

# Opens the icon's left-button menu (the box list, the program's own pop-up). The shell's
# AppIndicator extension activates an item on a double click only (one click opens its menu).
icon_left_menu() {
    case "$DESKTOP" in
    gnome) icon_click 1 2 ;;
    kwin) sni_call Activate 600 400 ;;
    *) icon_click 1 ;;
    esac
    popup_menu
}

# The labels of the program's exported menu (com.canonical.dbusmenu), one line per entry in
# order: "label|enabled|visible" with separators as "-".
exported_menu() {
    local service path menu
    service=$(dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems |
        grep -o 'string "[^"]*"' | head -n 1 | sed 's/string "//; s/"$//')
    path=/${service#*/}
    service=${service%%/*}
    menu=$(gdbus call --session --dest "$service" --object-path "$path" \
        --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem Menu |
        grep -o "objectpath '[^']*'" | sed "s/objectpath '//; s/'$//")
    gdbus call --session --dest "$service" --object-path "$menu" \
        --method com.canonical.dbusmenu.GetLayout 0 1 '@as []' | python3 -c '
import re, sys
text = sys.stdin.read()
# Children of the root: (id, {props}, []) in order.
for m in re.finditer(r"<\(\d+, \{(.*?)\}, @av \[\]\)>", text):
    props = m.group(1)
    if "\x27type\x27: <\x27separator\x27>" in props:
        print("-"); continue
    label = re.search(r"\x27label\x27: <\x27(.*?)\x27>", props)
    enabled = "\x27enabled\x27: <false>" not in props
    visible = "\x27visible\x27: <false>" not in props
    print("%s|%d|%d" % (label.group(1) if label else "", enabled, visible))
'
}

# Chooses the entry captioned $1 (mnemonic marks left out) from the icon's right-button menu,
# which the panel builds from the program's exported menu. With MENU_SHOT set, saves a screenshot
# of the open menu there.
icon_menu_choose() {
    local caption=$1 steps
    case "$DESKTOP" in
    gnome)
        icon_click 3
        local at
        for _ in $(seq 50); do
            at=$(shell_eval "const e = $SHELL_ICON;
                const item = e && e[1].menu.isOpen && e[1].menu._getMenuItems().find(i => i.visible &&
                    i.label && i.label.text.replace(/_/g, '') === '$caption');
                !item || e[1].menu.actor.opacity < 255 ? '' : (() => {
                    const [x, y] = item.get_transformed_position();
                    const [w, h] = item.get_transformed_size();
                    const at = [x + w / 2, y + h / 2].map(Math.round);
                    return at.every(Number.isFinite) && w > 0 ? at.join(' ') : ''; })()")
            [ -n "$at" ] && break
            sleep 0.1
        done
        [ -n "$at" ] || fail "no '$caption' in the icon's menu in the panel"
        [ -z "${MENU_SHOT:-}" ] || desktop_screenshot "$MENU_SHOT"
        # shellcheck disable=SC2086
        shell_click $at 1
        ;;
    *)
        # The panel's menu is another program's window: walk down to the entry with the keys,
        # counting the entries as the menu is now (the program updates it as it opens).
        icon_click 3
        sleep 0.8
        steps=$(exported_menu | awk -F'|' -v c="$caption" '
            $0 == "-" || $3 == 0 || $2 == 0 { next }
            { n++; gsub("_", "", $1); if ($1 == c) { print n; exit } }')
        [ -n "$steps" ] || { xdotool key Escape; fail "no '$caption' in the icon's menu"; }
        [ -z "${MENU_SHOT:-}" ] || desktop_screenshot "$MENU_SHOT"
        for _ in $(seq "$steps"); do xdotool key Down sleep 0.05; done
        xdotool key Return
        ;;
    esac
}

# Saves what the desktop shows to $1 (PNG): on GNOME the shell draws it (X shows no panel).
desktop_screenshot() {
    case "$DESKTOP" in
    gnome)
        gdbus call --session --dest org.gnome.Shell.Screenshot \
            --object-path /org/gnome/Shell/Screenshot \
            --method org.gnome.Shell.Screenshot.Screenshot false false "$1" >/dev/null ||
            fail "no screenshot from the shell"
        ;;
    *) screenshot "$1" ;;
    esac
}

# Presses Alt+F4 for the window manager on the active window.
desktop_alt_f4() {
    case "$DESKTOP" in
    gnome)
        shell_eval "const C = imports.gi.Clutter, G = imports.gi.GLib;
            const d = C.get_default_backend().get_default_seat()
                .create_virtual_device(C.InputDeviceType.KEYBOARD_DEVICE);
            let t = G.get_monotonic_time();
            d.notify_keyval(t, C.KEY_Alt_L, C.KeyState.PRESSED);
            d.notify_keyval(t + 20000, C.KEY_F4, C.KeyState.PRESSED);
            d.notify_keyval(t + 40000, C.KEY_F4, C.KeyState.RELEASED);
            d.notify_keyval(t + 60000, C.KEY_Alt_L, C.KeyState.RELEASED);" >/dev/null
        ;;
    kwin)
        # Keys sent to XWayland stay among the X clients; KWin's own shortcut is what Alt+F4
        # runs.
        dbus-send --session --type=method_call --dest=org.kde.kglobalaccel /component/kwin \
            org.kde.kglobalaccel.Component.invokeShortcut 'string:Window Close'
        ;;
    *) xdotool key alt+F4 ;;
    esac
}

# Makes X window $1 the active one.
desktop_activate() {
    case "$DESKTOP" in
    gnome)
        local hex
        hex=$(printf '0x%x' "$1")
        shell_eval "const w = global.get_window_actors().map(a => a.meta_window)
            .find(w => w.get_description().split(' ')[0] === '$hex');
            w.activate(global.get_current_time())" >/dev/null
        ;;
    *) xdotool windowactivate "$1" ;;
    esac
}

# ---- Japanese input methods ----

# Starts input method framework $1 (ibus or fcitx) with mozc as its Japanese input method, and
# has the program use it (QT_IM_MODULE). The conversion server refuses to run as root: as root,
# the framework, its session bus and the program run as a user made for this run (IM_USER, gone
# again at the end), with a home of its own in $WORK. Call before start_app.
start_input_method() {
    local framework=$1 tool
    local -a tools
    case "$framework" in
    ibus)
        tools=(ibus-daemon ibus /usr/lib/ibus-mozc/ibus-engine-mozc /usr/lib/mozc/mozc_server
            '/usr/lib/*/qt6/plugins/platforminputcontexts/libibusplatforminputcontextplugin.so')
        ;;
    fcitx)
        tools=(fcitx5 fcitx5-remote '/usr/lib/*/fcitx5/fcitx5-mozc.so'
            '/usr/lib/*/qt6/plugins/platforminputcontexts/libfcitx5platforminputcontextplugin.so')
        ;;
    *) fail "unknown input method framework $framework" ;;
    esac
    for tool in "${tools[@]}" dbus-daemon dbus-send setpriv; do
        command -v "$tool" >/dev/null 2>&1 || compgen -G "$tool" >/dev/null ||
            { echo "SKIP: $tool is not installed (input method $framework with mozc)"; exit 77; }
    done
    export HOME=$WORK/im-home
    export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache
    export XDG_DATA_HOME=$HOME/.local/share
    mkdir -p -m 700 "$HOME" "$XDG_CONFIG_HOME/mozc" "$XDG_CONFIG_HOME/fcitx5"
    # ibus: mozc's engine, switched on as it starts. fcitx5: one group, the US keyboard and
    # mozc (switched on by the trigger key, input_method_on).
    printf '%s\n' 'engines {' '  name : "mozc-jp"' '  longname : "Mozc"' '  layout : "default"' \
        '  rank : 80' '}' 'active_on_launch: True' >"$XDG_CONFIG_HOME/mozc/ibus_config.textproto"
    printf '%s\n' '[Groups/0]' 'Name=Default' 'Default Layout=us' 'DefaultIM=mozc' '' \
        '[Groups/0/Items/0]' 'Name=keyboard-us' 'Layout=' '' '[Groups/0/Items/1]' 'Name=mozc' \
        'Layout=' '' '[GroupOrder]' '0=Default' >"$XDG_CONFIG_HOME/fcitx5/profile"
    if [ "$(id -u)" = 0 ]; then
        make_im_user
        chmod 711 "$WORK"
        chown -R "$IM_USER:$IM_USER" "$HOME" "$APP" "$XDG_RUNTIME_DIR"
        AS_USER=(setpriv --reuid="$IM_USER" --regid="$IM_USER" --clear-groups --)
    fi
    # A session bus of the user's own: a bus refuses clients of other users.
    "${AS_USER[@]}" dbus-daemon --session --nofork --nopidfile --print-address=3 \
        3>"$WORK/bus.address" >/dev/null 2>&1 &
    PIDS+=($!)
    for _ in $(seq 50); do [ -s "$WORK/bus.address" ] && break; sleep 0.1; done
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$WORK/bus.address")
    [ -n "$DBUS_SESSION_BUS_ADDRESS" ] || fail "the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS
    case "$framework" in
    ibus)
        # The engines run the first python3 on PATH; the system's has the bindings they need.
        # No panel and no settings service: the engine is chosen below.
        PATH=/usr/bin:$PATH GSETTINGS_BACKEND=memory "${AS_USER[@]}" ibus-daemon --panel=disable \
            --emoji-extension=disable --cache=none --config=disable >"$WORK/im.log" 2>&1 &
        PIDS+=($!)
        for _ in $(seq 100); do
            compgen -G "$XDG_CONFIG_HOME/ibus/bus/*" >/dev/null && break
            sleep 0.1
        done
        IBUS_ADDRESS=$(sed -n 's/^IBUS_ADDRESS=//p' "$XDG_CONFIG_HOME"/ibus/bus/* 2>/dev/null |
            head -n 1)
        [ -n "$IBUS_ADDRESS" ] || fail "ibus did not start: $(tail -3 "$WORK/im.log")"
        export IBUS_ADDRESS
        # "ibus engine" sets the engine and still exits 1: ask for it again.
        for _ in $(seq 50); do
            "${AS_USER[@]}" ibus engine mozc-jp >/dev/null 2>&1 || true
            [ "$("${AS_USER[@]}" ibus engine 2>/dev/null)" = mozc-jp ] && break
            sleep 0.1
        done
        [ "$("${AS_USER[@]}" ibus engine 2>/dev/null)" = mozc-jp ] || fail "ibus does not take mozc"
        export QT_IM_MODULE=ibus
        ;;
    fcitx)
        # Only what the test needs: the X and D-Bus front ends, the keyboard, mozc and its
        # candidate window.
        "${AS_USER[@]}" fcitx5 --disable=all \
            --enable=dbus,dbusfrontend,xcb,keyboard,mozc,classicui >"$WORK/im.log" 2>&1 &
        PIDS+=($!)
        for _ in $(seq 100); do
            "${AS_USER[@]}" dbus-send --session --print-reply --dest=org.freedesktop.DBus \
                /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5 \
                2>/dev/null | grep -q 'boolean true' && break
            sleep 0.1
        done
        "${AS_USER[@]}" fcitx5-remote >/dev/null 2>&1 ||
            fail "fcitx5 did not start: $(tail -3 "$WORK/im.log")"
        export QT_IM_MODULE=fcitx
        ;;
    esac
    IM_FRAMEWORK=$framework
}

# Makes IM_USER, a user of this run's own (another run may be adding users at the same time).
make_im_user() {
    command -v useradd >/dev/null || { echo "SKIP: useradd is not installed"; exit 77; }
    IM_USER=tabuko-im-$$
    for _ in $(seq 20); do
        useradd --no-create-home --home-dir "$HOME" --shell /usr/sbin/nologin --user-group \
            "$IM_USER" 2>/dev/null && return 0
        sleep 0.2
    done
    IM_USER=
    fail "could not add a user"
}

# Ends the processes of IM_USER (the conversion server leaves its parent) and removes the user.
remove_im_user() {
    local pid
    for pid in $(pgrep -u "$IM_USER" 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
    for _ in $(seq 30); do pgrep -u "$IM_USER" >/dev/null 2>&1 || break; sleep 0.1; done
    for pid in $(pgrep -u "$IM_USER" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null || true; done
    for _ in $(seq 20); do userdel "$IM_USER" 2>/dev/null && break; sleep 0.2; done
    IM_USER=
}

# Switches the input method on for the focused window (mozc in hiragana); fcitx starts every
# window switched off, and its trigger key is Ctrl+Space.
input_method_on() {
    [ "$IM_FRAMEWORK" = fcitx ] || return 0
    xdotool key ctrl+space
    for _ in $(seq 20); do
        [ "$("${AS_USER[@]}" fcitx5-remote 2>/dev/null)" = 2 ] && return 0
        sleep 0.1
    done
    fail "fcitx5 did not switch on"
}

# The share of dark pixels (0 to 1; text, not a grey placeholder) in the W x H rectangle at x, y
# ($2 to $5) of screenshot $1.
ink() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace Gray -threshold 35% \
        -format '%[fx:1-mean]' info:
}

# The pixels of the W x H rectangle at x, y ($2 to $5) of screenshot $1, as a checksum.
pixels_of() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -depth 8 rgb:- | md5sum | cut -d' ' -f1
}

# ---- KWin on Wayland ----

# Starts kwin_wayland without a screen, with XWayland, on a private session bus, in a home and
# runtime folder of this run's own. Sets WAYLAND_DISPLAY, DISPLAY (XWayland's) and
# XDG_SESSION_TYPE. Plasma's panel does not come up here without the rest of a Plasma session
# (it finds no shell to load and registers no StatusNotifierWatcher), so the notification area
# is our own StatusNotifierItem host.
start_kwin() {
    local tool pid
    for tool in kwin_wayland Xwayland dbus-daemon /usr/bin/python3; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    /usr/bin/python3 -c 'from gi.repository import Gio' 2>/dev/null ||
        { echo "SKIP: python3-gi is not installed (KWin screenshots)"; exit 77; }
    start_session_bus
    # The installed binary carries a file capability (to raise its own limits) that a container
    # may refuse to execute; a copy has none and runs the same.
    cp "$(command -v kwin_wayland)" "$WORK/kwin_wayland"
    mkdir -p "$WORK/kwin-home"
    # KWin starts this once XWayland serves, with DISPLAY set to it; it stays until the end.
    printf '#!/bin/sh\necho "$DISPLAY $$" >"%s/kwin.display"\nexec sleep 100000\n' "$WORK" \
        >"$WORK/kwin-started"
    chmod +x "$WORK/kwin-started"
    # Screenshots through KWin's own interface, which asks callers for a permission that only
    # installed applications can declare.
    (cd "$WORK" && exec env HOME="$WORK/kwin-home" XDG_CONFIG_HOME="$WORK/kwin-home/.config" \
        XDG_CACHE_HOME="$WORK/kwin-home/.cache" XDG_DATA_HOME="$WORK/kwin-home/.local/share" \
        KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 ./kwin_wayland --virtual --xwayland \
        --no-lockscreen --socket wayland-tabuko --width 1280 --height 800 "$WORK/kwin-started" \
        >"$WORK/kwin.log" 2>&1) &
    PIDS+=($!)
    for _ in $(seq 150); do [ -s "$WORK/kwin.display" ] && break; sleep 0.1; done
    [ -s "$WORK/kwin.display" ] || fail "KWin did not start XWayland: $(tail -3 "$WORK/kwin.log")"
    read -r DISPLAY pid <"$WORK/kwin.display"
    PIDS+=("$pid")
    export DISPLAY WAYLAND_DISPLAY=wayland-tabuko XDG_SESSION_TYPE=wayland
    for _ in $(seq 100); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    start_sni_host
}

# Saves what KWin shows (all outputs) to $1 (PNG).
kwin_screenshot() {
    local size
    size=$(/usr/bin/python3 - "$WORK/shot.raw" <<'PY'
import os, sys
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
r, w = os.pipe()
fds = Gio.UnixFDList.new()
index = fds.append(w)
os.close(w)
reply, _ = bus.call_with_unix_fd_list_sync(
    "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureWorkspace",
    GLib.Variant("(a{sv}h)", ({"native-resolution": GLib.Variant("b", True)}, index)),
    GLib.VariantType("(a{sv})"), Gio.DBusCallFlags.NONE, 10000, fds, None)
del fds
info = reply.unpack()[0]
with os.fdopen(r, "rb") as pipe, open(sys.argv[1], "wb") as out:
    out.write(pipe.read())
# 32-bit ARGB in memory order B, G, R, A, rows without padding at this size.
assert info["stride"] == info["width"] * 4, info
print("%dx%d" % (info["width"], info["height"]))
PY
    ) || fail "no screenshot from KWin"
    convert -size "$size" -depth 8 "bgra:$WORK/shot.raw" -alpha off "$1"
    rm -f "$WORK/shot.raw"
}
