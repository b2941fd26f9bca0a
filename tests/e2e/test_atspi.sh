#!/usr/bin/env bash
# A screen reader's view of the wall: on a private session bus with the accessibility bus, the
# running program shows the wall by its name and each box icon with its name, its memo count and
# its hint, read through AT-SPI; a memo stored from the command line changes the count read.
source "$(dirname "$0")/lib.sh"
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] && /usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
    { echo "SKIP: at-spi2-core and python3-pyatspi are not installed"; exit 77; }
start_display
start_session_bus
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
"$launcher" --launch-immediately >"$WORK/atspi.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true' && break
    sleep 0.1
done

make_box "$APP/2.dat" "45000|一つ目" "45001|二つ目"
APP_ENV=(QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
start_app
wall_window >/dev/null

# Prints the program's wall and box icons as AT-SPI shows them: "name|description" a line.
read_tree() {
    timeout 30 /usr/bin/python3 - <<'PY'
import pyatspi
desktop = pyatspi.Registry.getDesktop(0)
def walk(node, depth=0):
    if depth > 6:
        return
    for child in node:
        if child is None:
            continue
        if child.name.startswith("Tabuko") or child.name.endswith("件") or "使えません" in child.name:
            print(f"{child.name}|{child.description}")
        walk(child, depth + 1)
for app in desktop:
    if app is not None and app.name.lower() == "tabuko":
        walk(app)
PY
}

expected="Tabuko メモ箱
メモ 0件|メモは空です
仕事 2件|仕事に2枚のメモがあります
買い物 0件|買い物は空です
アイデア 0件|アイデアは空です
保留 0件|保留は空です
ゴミ箱 0件|ゴミ箱は空です"
for _ in $(seq 50); do
    tree=$(read_tree 2>"$WORK/pyatspi.log" | sed 's/^\(Tabuko メモ箱\)|.*/\1/' || true)
    [ "$tree" = "$expected" ] && break
    sleep 0.2
done
[ "$tree" = "$expected" ] || fail "AT-SPI shows:
$tree
$(cat "$WORK/pyatspi.log")"

# The count follows a memo stored from the command line.
(cd "$APP" && ./tabuko --new --box 1 読み上げ) || fail "tabuko --new"
for _ in $(seq 50); do
    tree=$(read_tree 2>/dev/null || true)
    grep -q '^メモ 1件|メモに1枚のメモがあります$' <<<"$tree" && break
    sleep 0.2
done
grep -q '^メモ 1件|メモに1枚のメモがあります$' <<<"$tree" || fail "the count did not follow: $tree"
echo PASS
