#!/usr/bin/env bash
# Installs every Debian package the clock's build, tests and benchmarks need.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

packages=(
  # core build and unit tests
  cmake ninja-build g++ pkg-config googletest libgtest-dev
  # Linux backend
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libxcb1-dev
  # the Wayland clock (GTK 3, gtk-layer-shell); a JSON reader for its end-to-end tests (the
  # compositors are below)
  libgtk-3-dev libgtk-layer-shell-dev libwayland-dev jq
  # a real X server with window managers, and a person's hands on it
  xvfb xauth openbox i3-wm icewm xdotool x11-utils wmctrl imagemagick
  # Wayland compositors, headless, with XWayland and their screenshots (kwin's over D-Bus);
  # an X compositor
  sway swaybg grim weston kwin-wayland xwayland dbus python3-gi picom
  # Japanese glyphs for the menu captions
  fonts-ipafont-gothic
  # Windows backend: cross compiler and Wine; wrestool reads what Windows reads from torven.exe
  mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 icoutils
  # benchmarks
  x11-apps valgrind time
  # build-time icon generator
  python3
  # packages (scripts/package.sh) and their checks; faketime for the night screenshot
  dpkg-dev wixl zip lintian desktop-file-utils appstream faketime
)

$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${packages[@]}"
