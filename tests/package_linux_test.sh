#!/usr/bin/env bash
# The Debian package as a user meets it: valid, installed by apt-get (as root), shows its
# window, removed whole. Usage: package_linux_test.sh dist/torven_<version>_amd64.deb <version>
set -euo pipefail
deb=$1
version=$2
[ -f "$deb" ] || { echo "no $deb (bash scripts/package.sh makes it): skipped"; exit 77; }
deb=$(realpath "$deb")
unset QT_QPA_PLATFORM WAYLAND_DISPLAY # the display check is the X one
source "$(dirname "$0")/../scripts/private_desktop.sh"
work=$(mktemp -d)
trap 'end_private_desktop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/torven.desktop"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error "$deb"
for size in 16 32 48 256; do
    icon=$work/root/usr/share/icons/hicolor/${size}x$size/apps/torven.png
    [ "$(identify -format %wx%h "$icon")" = "${size}x$size" ] || fail "no ${size}x$size icon"
done

torven=$work/root/usr/bin/torven
[ "$("$torven" --version)" = "TORVEN $version" ] || fail "--version: $("$torven" --version)"
status=0  # with no display it says so and ends (the Qt tests check what it says)
env -u DISPLAY "$torven" 2>/dev/null || status=$?
[ "$status" = 1 ] || fail "with no display: status $status"

[ "$(id -u)" = 0 ] || { echo "not root: apt-get install and remove skipped"; exit 77; }
export DEBIAN_FRONTEND=noninteractive
apt() { apt-get "$@" -y -q >>"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get $*"; }; }
# A package left by an earlier run would make the install a no-op.
dpkg -s torven >/dev/null 2>&1 && apt purge torven
apt install "$deb"
dpkg -L torven | while read -r f; do [ -d "$f" ] || echo "$f"; done >"$work/files"
grep -qx /usr/bin/torven "$work/files" || fail "no /usr/bin/torven in the package"

start_private_desktop
/usr/bin/torven &
desktop_track $!
timeout 10 bash -c 'until xdotool search --onlyvisible --name "^TORVEN$"; do sleep 0.1; done' \
    >/dev/null 2>&1 || fail "the installed torven showed no window"
end_private_desktop

apt remove torven
while read -r f; do [ ! -e "$f" ] || fail "$f left after apt-get remove"; done <"$work/files"
# With no configuration files, nothing is left for a purge: dpkg forgets the package.
! dpkg -s torven >/dev/null 2>&1 || fail "dpkg still knows torven after apt-get remove"
echo "package: passed"
