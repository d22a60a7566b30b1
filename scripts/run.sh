#!/usr/bin/env bash
# Builds the clock and starts it on $DISPLAY. With no display it starts a private X
# server with a window manager, runs the clock for a few seconds, saves a screenshot
# and prints where.
#   TORVEN_SKIP_SETUP=1     do not install packages (scripts/setup.sh)
#   TORVEN_RUN_SECONDS=N    how long the clock runs with no display (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${TORVEN_SKIP_SETUP:-0}" != 1 ] && ! dpkg -s qt6-base-dev xvfb openbox >/dev/null 2>&1; then
    bash scripts/setup.sh
fi
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVEN_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)"
torven=build-release/platform/qt/torven

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$torven"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    local i
    # Last started, first ended: the clock before its window manager and X server.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

# A throwaway settings folder: a demonstration leaves the user's settings alone.
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
XDG_CONFIG_HOME="$work/config" "$torven" &
pids+=($!)
sleep "${TORVEN_RUN_SECONDS:-5}"
shot="$PWD/build-release/torven-screenshot.png"
import -window root -crop 320x240+0+0 "$shot"
echo "The clock ran on a private X server ($DISPLAY); screenshot: $shot"
