#!/usr/bin/env bash
# The Debian package as a user meets it: valid, its program answers its command line, and
# (as root) installed by apt-get, shows its window, removed whole.
# Usage: package_linux_test.sh dist/torven_<version>_amd64.deb <version>
set -euo pipefail
deb=$1 version=$2
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
grep -qx 'License: MIT' "$work/root/usr/share/doc/torven/copyright" || fail "no MIT licence"
for size in 16 32 48 256; do
    icon=$work/root/usr/share/icons/hicolor/${size}x$size/apps/torven.png
    [ "$(identify -format %wx%h "$icon")" = "${size}x$size" ] || fail "no ${size}x$size icon"
done

# Its command line: what it prints, and its exit status in brackets.
torven=$work/root/usr/bin/torven
run() { local out; out=$("$torven" "$@" 2>&1) && echo "$out [0]" || echo "$out [$?]"; }
expect() { [ "$1" = "$2" ] || fail "expected $2, got $1"; }
expect "$(run --version)" "TORVEN $version [0]"
expect "$(run --none)" 'torven: unknown argument "--none" (see torven --help) [2]'
help=$(run --help)
[[ $help == *"~/.config/TORVEN/TORVEN.conf"*"SIGTERM, SIGINT or SIGHUP"*"TORVEN_PLATFORM=x11"*"[0]" ]] ||
    fail "--help: $help"
expect "$(DISPLAY=:9999 run)" 'torven: cannot open the display ":9999" [1]'
expect "$(unset DISPLAY && run)" 'torven: cannot open the display: DISPLAY is not set [1]'
# A Wayland session: with no compositor that offers the layer shell the clock runs on X where
# there is an X display, else as a plain Wayland window; TORVEN_PLATFORM chooses instead. Here
# neither display can be opened, and the settings stay as they were.
mkdir -p "$work/cfg/TORVEN" "$work/run" && printf '[Startup]\nSize=3200\n' >"$work/cfg/TORVEN/TORVEN.conf"
chmod 700 "$work/run"
wayland() { XDG_CONFIG_HOME=$work/cfg XDG_RUNTIME_DIR=$work/run WAYLAND_DISPLAY=wayland-0 run; }
expect "$(DISPLAY=:9999 wayland)" 'torven: cannot open the display ":9999" [1]'
expect "$(unset DISPLAY && wayland)" 'TORVEN: cannot connect to the Wayland display "wayland-0" [1]'
expect "$(unset DISPLAY && TORVEN_PLATFORM=x11 wayland)" \
    'torven: cannot open the display: DISPLAY is not set (TORVEN_PLATFORM=x11 asks for X) [1]'
expect "$(DISPLAY=:9999 TORVEN_PLATFORM=wayland wayland)" \
    'TORVEN: cannot connect to the Wayland display "wayland-0" [1]'
expect "$(TORVEN_PLATFORM=gtk wayland)" 'torven: TORVEN_PLATFORM is "gtk", not x11 or wayland [2]'
expect "$(cat "$work/cfg/TORVEN/TORVEN.conf")" "$(printf '[Startup]\nSize=3200')"
# Qt's offscreen platform, the tests': the clock starts.
status=0 && HOME=$work XDG_CONFIG_HOME=$work QT_QPA_PLATFORM=offscreen \
    timeout 2 "$torven" 2>/dev/null || status=$?
expect "$status" 124

[ "$(id -u)" = 0 ] || { echo "not root: apt-get install and remove skipped"; exit 77; }
export DEBIAN_FRONTEND=noninteractive
apt() { apt-get "$@" -y -q >>"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get $*"; }; }
# A package left by an earlier run would make the install a no-op.
dpkg -s torven >/dev/null 2>&1 && apt purge torven
apt install "$deb"

start_private_desktop
/usr/bin/torven &
desktop_track $!
timeout 10 bash -c 'until xdotool search --onlyvisible --name "^TORVEN$"; do sleep 0.1; done' \
    >/dev/null 2>&1 || fail "the installed torven showed no window"
end_private_desktop

apt remove torven
# With no configuration files, nothing is left for a purge: dpkg forgets the package.
! dpkg -s torven >/dev/null 2>&1 || fail "dpkg still knows torven after apt-get remove"
echo "package: passed"
