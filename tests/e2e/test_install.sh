#!/usr/bin/env bash
# scripts/install into a temporary home: valid entries, the program started from the entry's
# command in the entry's folder keeps its files there, an upgrade keeps memos, settings, log and
# phrases, and --uninstall leaves them too.
source "$(dirname "$0")/lib.sh"
command -v desktop-file-validate >/dev/null ||
    { echo "SKIP: desktop-file-validate is not installed (desktop-file-utils)"; exit 77; }
install=$(cd "$(dirname "$0")/../.." && pwd)/scripts/install
export HOME=$WORK/home
unset XDG_DATA_HOME XDG_CONFIG_HOME
mkdir -p "$HOME"
folder="$HOME/.local/share/tabuko"
entry=$HOME/.local/share/applications/tabuko.desktop
"$install" --from "$STAGE" --autostart >"$WORK/install.log" 2>&1 ||
    fail "install: $(cat "$WORK/install.log")"
desktop-file-validate "$entry" || fail "invalid desktop entry"
desktop-file-validate "$HOME/.config/autostart/tabuko.desktop" || fail "invalid autostart entry"
key() { sed -n "s/^$1=//p" "$entry"; }
[ "$(key Path)" = "$folder" ] || fail "Path is '$(key Path)'"
grep -q '^Name\[ja\]=' "$entry" || fail "no Japanese name"
[ -f "$(key Icon)" ] || fail "no icon file $(key Icon)"

# Started as a launcher does: the entry's command in the entry's folder, from the home folder.
start_display
exec_line=$(key Exec)
(cd "$(key Path)" && eval "exec $exec_line" >"$WORK/app.log" 2>&1) &
APP_PID=$!
wall_window >/dev/null
quit_by_tray_menu
[ -f "$folder/TabukoExc.ini" ] || fail "the settings are not in the program's folder"
[ -z "$(ls "$HOME" | grep -v '^\.')" ] || fail "files in the home folder: $(ls "$HOME")"

# The user's files, then an upgrade.
make_box "$folder/1.dat" "45000|アップグレード前のメモ"
: >"$folder/TabukoDelLog.txt"
printf 'my phrase\r\n' >"$folder/InsertFree1.txt"
printf '[MainWindow]\r\nLeft=77\r\n' >>"$folder/TabukoExc.ini"
mkdir -p "$folder/skin/mine" && echo mine >"$folder/skin/mine/skin.ini"
before=$(cd "$folder" && sha256sum 1.dat TabukoDelLog.txt InsertFree1.txt TabukoExc.ini skin/mine/skin.ini)
echo stale >"$folder/skin/default/skin.ini"
"$install" --from "$STAGE" >"$WORK/upgrade.log" 2>&1 || fail "upgrade: $(cat "$WORK/upgrade.log")"
[ "$(cd "$folder" && sha256sum 1.dat TabukoDelLog.txt InsertFree1.txt TabukoExc.ini skin/mine/skin.ini)" = "$before" ] ||
    fail "the upgrade changed the user's files"
cmp -s "$folder/skin/default/skin.ini" "$STAGE/skin/default/skin.ini" || fail "shipped skin not upgraded"
[ "$(box_titles "$folder/1.dat")" = "アップグレード前のメモ" ] || fail "memo lost"

"$install" --uninstall >"$WORK/uninstall.log" 2>&1 || fail "uninstall: $(cat "$WORK/uninstall.log")"
[ ! -e "$entry" ] && [ ! -e "$HOME/.config/autostart/tabuko.desktop" ] || fail "entries left"
[ ! -e "$folder/tabuko" ] && [ ! -e "$folder/skin/default" ] || fail "program files left"
[ "$(cd "$folder" && sha256sum 1.dat TabukoDelLog.txt InsertFree1.txt TabukoExc.ini skin/mine/skin.ini)" = "$before" ] ||
    fail "uninstalling touched the user's files"
echo PASS
