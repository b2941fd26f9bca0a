#!/usr/bin/env bash
# A hostile neighbour, with the program run by a user of its own: another local user takes the
# channel's folder in the shared temporary folder first and listens there, answering "ok"; the
# program runs anyway and says once why later starts cannot reach it, and `tabuko --new` exits 1
# without sending a byte. A link where earlier versions kept their lock file leaves its target
# untouched; that file replaced by a rename while the program runs lets no second writer in.
source "$(dirname "$0")/lib.sh"
[ "$(id -u)" = 0 ] || { echo "SKIP: two users need root to set up"; exit 77; }
for tool in setpriv strace; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
start_desktop bare

# The program's user and the neighbour: user ids that nobody else uses here.
ME=61234
NEIGHBOUR=65534
as_user() { setpriv --reuid="$1" --regid="$1" --clear-groups -- "${@:2}"; }
chmod 711 "$WORK"
TMP=$WORK/tmp # the shared temporary folder
mkdir -m 1777 "$TMP"
mkdir -p "$WORK/home" "$WORK/away"
chown -R "$ME:$ME" "$APP" "$WORK/home" "$WORK/away"
# Runs the program as ME in the data folder with the shared temporary folder and the runtime
# folder MY_RUNTIME (none at first, so that it falls back to one in the temporary folder).
MY_RUNTIME=
mine() {
    MINE=(setpriv --reuid="$ME" --regid="$ME" --clear-groups -- env -u XDG_RUNTIME_DIR
        ${MY_RUNTIME:+"XDG_RUNTIME_DIR=$MY_RUNTIME"} "HOME=$WORK/home" "TMPDIR=$TMP"
        "${APP_ENV[@]}" ./tabuko)
}
my_tabuko() {
    mine
    (cd "$APP" && exec "${MINE[@]}" "$@")
}
# Starts it in the background; APP_PID is the program's own id.
start_mine() {
    mine
    (cd "$APP" && exec "${MINE[@]}" >"$WORK/app.log" 2>&1) &
    APP_PID=$!
}

# The neighbour takes the fallback folder's name and listens at the channel's name in it (both
# can be worked out from the user id and the data folder), noting every byte it gets.
channel=tabuko-$(printf '%s\0%s' "$(realpath "$APP")" "$ME" | sha256sum | cut -c1-24)
mkdir "$WORK/neighbour"
chown "$NEIGHBOUR:$NEIGHBOUR" "$WORK/neighbour"
as_user "$NEIGHBOUR" mkdir -m 777 "$TMP/tabuko-$ME"
# Started without a shell in between, so that its id is the listener's own and the end of the
# test ends it.
setpriv --reuid="$NEIGHBOUR" --regid="$NEIGHBOUR" --clear-groups -- perl -MIO::Socket::UNIX -e '
    my ($path, $log) = @ARGV;
    my $server = IO::Socket::UNIX->new(Local => $path, Listen => 5) or die "listen: $!";
    chmod 0777, $path;
    while (my $client = $server->accept) {
        while (defined(my $line = <$client>)) {
            open my $out, ">>", $log or die; print $out $line; close $out;
            print $client "ok\n";
        }
    }' "$TMP/tabuko-$ME/$channel" "$WORK/neighbour/heard" >/dev/null 2>"$WORK/neighbour.err" &
PIDS+=($!)
for _ in $(seq 50); do [ -S "$TMP/tabuko-$ME/$channel" ] && break; sleep 0.1; done
# It works: a line sent to it is heard and answered.
answer=$(perl -MIO::Socket::UNIX -e '
    my $s = IO::Socket::UNIX->new(Peer => $ARGV[0]) or die "connect: $!";
    print $s "probe\n"; print scalar <$s>;' "$TMP/tabuko-$ME/$channel")
[ "$answer" = ok ] || fail "the neighbour's listener does not answer: $answer"
[ "$(cat "$WORK/neighbour/heard")" = probe ] || fail "the neighbour's listener does not hear"

# The program starts, runs, and says once why it cannot take commands from later starts.
start_mine
wall=$(wall_window)
sleep 1
screenshot "$WORK/neighbour-start.png"
[ "$(answer_messages)" = 1 ] || fail "not exactly one message at the start"
grep -q "uid $NEIGHBOUR" "$WORK/app.log" || fail "no reason on standard error: $(cat "$WORK/app.log")"

# A memo on the command line goes nowhere: exit 1 with a message, nothing heard next door, no box
# file written.
status=0
my_tabuko --new "my bank PIN is 1234" 2>"$WORK/new.err" || status=$?
[ "$status" = 1 ] || fail "--new beside the neighbour ended with $status"
grep -q "何も送りませんでした" "$WORK/new.err" || fail "no message: $(cat "$WORK/new.err")"
cat "$WORK/new.err"
[ "$(cat "$WORK/neighbour/heard")" = probe ] || fail "the neighbour heard: $(cat "$WORK/neighbour/heard")"
[ ! -e "$APP/1.dat" ] || fail "--new wrote 1.dat itself"

# The program still works: a memo stored through its editor.
xdotool mousemove --window "$wall" 36 43 click --repeat 2 --delay 80 1
type_memo "Tabuko - [メモ]を新規作成 -" typed
[ "$(box_titles "$APP/1.dat")" = typed ] || fail "1.dat after the editor: $(box_titles "$APP/1.dat")"
quit_by_tray_menu
[ -z "$(message_boxes)" ] || fail "a message box was left"

# With a runtime folder of its own, and a link where earlier versions kept their lock file.
mkdir -m 700 "$WORK/runtime-me"
chown "$ME:$ME" "$WORK/runtime-me"
printf 'precious\n' >"$WORK/away/notes.txt"
chown "$ME:$ME" "$WORK/away/notes.txt"
ln -s "$WORK/away/notes.txt" "$APP/Tabuko.lock"
MY_RUNTIME=$WORK/runtime-me
start_mine
wall=$(wall_window)
sleep 1
[ "$(answer_messages 1)" = 0 ] || fail "a message at a start with a private runtime folder"
[ "$(cat "$WORK/away/notes.txt")" = precious ] || fail "the link's target changed: $(cat "$WORK/away/notes.txt")"
[ -L "$APP/Tabuko.lock" ] || fail "the link was replaced"

# A sync tool replaces Tabuko.lock by a rename while the program runs: --new still goes through
# the running program, and the command-line process opens no box file for writing (a leak
# checker cannot run under the tracer).
printf 'from a peer\n' >"$APP/.Tabuko.lock.tmp"
mv "$APP/.Tabuko.lock.tmp" "$APP/Tabuko.lock"
box3=$(hex_of "$APP/3.dat" 2>/dev/null || true)
mine
(cd "$APP" && ASAN_OPTIONS=detect_leaks=0 exec strace -f -qq -o "$WORK/new.trace" \
    -e trace=open,openat,rename,renameat,renameat2 "${MINE[@]}" --new --box 3 同期中) ||
    fail "--new after the rename ended with $?"
if grep -E '\.dat' "$WORK/new.trace" | grep -Eq 'O_WRONLY|O_RDWR|O_CREAT|rename'; then
    fail "the command line wrote a box file itself: $(grep -E '\.dat' "$WORK/new.trace")"
fi
for _ in $(seq 20); do [ "$(box_titles "$APP/3.dat" 2>/dev/null)" = 同期中 ] && break; sleep 0.1; done
[ "$(box_titles "$APP/3.dat")" = 同期中 ] || fail "3.dat after --new: $(box_titles "$APP/3.dat")"
[ "$(hex_of "$APP/3.dat")" != "$box3" ] || fail "3.dat did not change"
check_picture "$APP/skin/default/box/3m.bmp" "$wall" 112 23
[ "$(cat "$APP/Tabuko.lock")" = "from a peer" ] || fail "the replaced Tabuko.lock changed"
quit_by_tray_menu
[ "$(cat "$APP/Tabuko.lock")" = "from a peer" ] || fail "Tabuko.lock changed at the end"
echo PASS
