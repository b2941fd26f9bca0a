#!/usr/bin/env bash
# The Debian package: lintian, the AppStream metadata and the desktop entry pass their checks;
# installed with apt, /usr/bin/tabuko started by a normal user keeps that user's memos in
# $XDG_DATA_HOME/tabuko, and removing or purging the package leaves them there. The package is
# built by scripts/package unless build/deb holds one newer than the sources. The machine is left
# as it was: the package purged and the user gone.
source "$(dirname "$0")/lib.sh"
root=$(cd "$(dirname "$0")/../.." && pwd)

[ "$(id -u)" -eq 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
tools=(dpkg-buildpackage dh lintian appstreamcli desktop-file-validate useradd runuser)
missing() { for t in "${tools[@]}"; do command -v "$t" >/dev/null || return 0; done; return 1; }
if missing; then
    "$root/scripts/setup" >"$WORK/setup.log" 2>&1 || true
    missing && { echo "SKIP: the packaging tools cannot be installed"; exit 77; }
fi
if dpkg-query -W -f='${Status}' tabuko 2>/dev/null | grep -q 'install ok'; then
    echo "SKIP: a tabuko package is installed on this machine; the test would replace it"
    exit 77
fi

# A package newer than every source file is reused (scripts/test builds it before the tests).
deb=$(ls -t "$root"/build/deb/tabuko_*.deb 2>/dev/null | head -n 1 || true)
if [ -z "$deb" ] || [ -n "$(cd "$root" && find src skin data desktop doc debian CMakeLists.txt \
    -newer "$deb" -type f -print -quit)" ]; then
    "$root/scripts/package" >"$WORK/package.log" 2>&1 || { tail -30 "$WORK/package.log"; fail "scripts/package"; }
    deb=$(ls -t "$root"/build/deb/tabuko_*.deb | head -n 1)
fi

# The checks Debian's tools make.
lintian --fail-on error,warning --suppress-tags-from-file /dev/null "$deb" >"$WORK/lintian.log" 2>&1 ||
    { cat "$WORK/lintian.log"; fail "lintian"; }
tree=$WORK/tree
dpkg-deb -x "$deb" "$tree"
appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml >"$WORK/appstream.log" 2>&1 ||
    { cat "$WORK/appstream.log"; fail "appstreamcli validate"; }
desktop-file-validate "$tree"/usr/share/applications/*.desktop || fail "desktop-file-validate"
icon=$(sed -n 's/^Icon=//p' "$tree"/usr/share/applications/*.desktop)
for size in 16 22 24 32 48 64 128 256; do
    file=$tree/usr/share/icons/hicolor/${size}x$size/apps/$icon.png
    [ "$(identify -format '%wx%h' "$file" 2>/dev/null)" = "${size}x$size" ] || fail "no $size px icon"
done
for file in usr/bin/tabuko usr/share/tabuko/skin/default/skin.ini usr/share/tabuko/InsertTime.txt \
    usr/share/man/man1/tabuko.1.gz usr/share/doc/tabuko/copyright; do
    [ -f "$tree/$file" ] || fail "the package has no /$file"
done

# Installed with apt; a normal user of its own, with a home outside the test's folder.
user=tabuko-e2e-$$
home=$(mktemp -d /tmp/tabuko-home.XXXXXX)
remove_all() {
    local status=$?
    local pid
    for pid in $(pgrep -u "$user" 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
    dpkg --purge tabuko >/dev/null 2>&1 || true
    userdel "$user" 2>/dev/null || true
    rm -rf "$home"
    return "$status"
}
trap 'remove_all; cleanup' EXIT
useradd --no-create-home --home-dir "$home" --shell /bin/sh "$user"
chown "$user:" "$home"
chmod 700 "$home"
mkdir -m 700 "$home/runtime"
chown "$user:" "$home/runtime"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
    >"$WORK/apt.log" 2>&1 || { cat "$WORK/apt.log"; fail "apt-get install"; }
[ -x /usr/bin/tabuko ] || fail "no /usr/bin/tabuko after installing"

start_display
as_user() {
    runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" \
        XDG_RUNTIME_DIR="$home/runtime" LANG=C.UTF-8 "$@"
}
data=$home/.local/share/tabuko
as_user /usr/bin/tabuko --help | grep -qF "$data" || fail "--help does not name $data"
(cd / && as_user /usr/bin/tabuko >"$WORK/app.log" 2>&1) &
PIDS+=($!)
wall_window >/dev/null
[ "$(stat -c '%a %U' "$data")" = "700 $user" ] || fail "data folder is $(stat -c '%a %U' "$data")"
cmp -s "$data/InsertTime.txt" /usr/share/tabuko/InsertTime.txt || fail "no shipped phrases"

# A memo through the command line, handed to the running program from another folder.
(cd / && as_user /usr/bin/tabuko --new パッケージのメモ) || fail "tabuko --new"
wait_file "$data/1.dat"
[ "$(box_titles "$data/1.dat")" = "パッケージのメモ" ] || fail "1.dat holds $(box_titles "$data/1.dat")"
[ ! -e /usr/share/tabuko/1.dat ] && [ ! -e /usr/bin/1.dat ] || fail "a box file outside the user's folder"
# A folder on the command line is the caller's, named by the shipped skin's box names.
(cd "$home" && as_user /usr/bin/tabuko --export out) || fail "tabuko --export"
grep -q パッケージのメモ "$home/out/1-メモ.txt" || fail "no export in $home/out: $(ls -R "$home")"
quit_by_tray_menu_of_user() {
    local pid
    pid=$(pgrep -u "$user" -x tabuko | head -n 1)
    [ -n "$pid" ] || fail "the program is not running"
    kill -TERM "$pid"
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
    fail "the program did not end"
}
quit_by_tray_menu_of_user
[ -f "$data/TabukoExc.ini" ] || fail "the settings are not in the user's folder"
before=$(cd "$data" && sha256sum 1.dat TabukoExc.ini InsertTime.txt)

# Removing and purging the package leaves the user's folder as it was.
apt-get remove -y -qq tabuko >"$WORK/remove.log" 2>&1 || { cat "$WORK/remove.log"; fail "apt-get remove"; }
[ ! -e /usr/bin/tabuko ] || fail "/usr/bin/tabuko left after removing"
[ "$(cd "$data" && sha256sum 1.dat TabukoExc.ini InsertTime.txt)" = "$before" ] ||
    fail "removing the package touched the user's files"
# A package without configuration files is gone whole after removing; purging is then a no-op
# that apt no longer offers, so dpkg does it.
dpkg --purge tabuko >"$WORK/purge.log" 2>&1 || { cat "$WORK/purge.log"; fail "dpkg --purge"; }
! dpkg-query -W tabuko >/dev/null 2>&1 || fail "the package is still known to dpkg"
[ "$(cd "$data" && sha256sum 1.dat TabukoExc.ini InsertTime.txt)" = "$before" ] ||
    fail "purging the package touched the user's files"
[ ! -e /usr/share/tabuko ] || fail "/usr/share/tabuko left after purging"
echo PASS
