#!/usr/bin/env bash
# Makes the README's pictures, docs/*.png, from the real Linux clock on a private X
# server with openbox, at a set time (libfaketime): as it starts, its menu, a little
# bigger with the date line, and with colours by the hour at ten past ten at night.
# TORVEN_SKIP_SETUP=1 does not install packages (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${TORVEN_SKIP_SETUP:-0}" != 1 ] &&
    ! dpkg -s qt6-base-dev xvfb openbox xdotool libfaketime fonts-ipafont-gothic &>/dev/null; then
    bash scripts/setup.sh
fi
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVEN_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j2
torven=$PWD/build-release/platform/qt/torven
faketime_lib=$(ls /usr/lib/*/faketime/libfaketime.so.1 | head -1)
source scripts/private_desktop.sh
trap end_private_desktop EXIT
mkdir -p docs

# Starts the clock at a time of day on 6 December 2026 and waits for its window.
start_clock() {
    FAKETIME="@2026-12-06 $1" FAKETIME_DONT_FAKE_MONOTONIC=1 LD_PRELOAD=$faketime_lib "$torven" &
    clock=$!
    desktop_track "$clock"
    timeout 10 bash -c 'until xdotool search --onlyvisible --name "^TORVEN$"; do sleep 0.1; done' \
        >/dev/null
    sleep 1.5 # a tick or two: the hands and the readout drawn
}

# docs/NAME.png: what the desktop shows, cut to the clock and its menu; the desktop
# around them (black, from the corner) is left transparent.
shot() {
    import -window root "$desktop_work/root.png"
    convert "$desktop_work/root.png" -alpha set -fill none -draw 'color 0,0 floodfill' \
        -trim +repage -bordercolor none -border 4 -strip "docs/$1.png"
    echo "docs/$1.png"
}

start_private_desktop -br
start_clock 10:10:30
shot default
xdotool mousemove 61 61 click 3 mousemove 900 700 # the menu opens at the pointer
sleep 1
shot menu
xdotool key l # 少し大きく(&L): 1920 twips, wide enough for the date line
sleep 1.5
shot date
kill "$clock"
wait "$clock" || true

# Colours by the hour, switched on in the stored settings; they change with the first
# tick of a new minute, here 22:10.
printf '[Startup]\nSize=1920\nHenka=True\n' >"$XDG_CONFIG_HOME/TORVEN/TORVEN.conf"
start_clock 22:09:59
sleep 1
shot night
