#!/usr/bin/env bash
# torven.exe as a person uses it: under Wine on an X display with a window manager,
# driven with xdotool. Needs DISPLAY and WINEPREFIX (scripts/test-windows.sh sets both).
# Usage: end_to_end.sh path/to/torven.exe work-dir
set -euo pipefail
exe=$1
work=$2
[ -n "${DISPLAY:-}" ] && [ -n "${WINEPREFIX:-}" ] || {
    echo "no display or Wine prefix: skipped"
    exit 77
}
mkdir -p "$work"
rm -f "$work"/*.png
export WINEDEBUG=-all
key='HKCU\Software\TORVEN\Startup'
clock_pid=

fail() {
    echo "FAIL: $*" >&2
    import -window root "$work/failure.png" 2>/dev/null || true
    [ -z "$clock_pid" ] || kill "$clock_pid" 2>/dev/null || true
    exit 1
}

# Waits up to 20 s for a command to succeed.
until_true() {
    for _ in $(seq 100); do
        if "$@"; then return 0; fi
        sleep 0.2
    done
    return 1
}

clock_window() { xdotool search --name '^TORVEN$' 2>/dev/null | head -1; }
clock_shown() { [ -n "$(clock_window)" ]; }
# "x y width height" of the clock window, screen pixels.
geometry() {
    xwininfo -id "$(clock_window)" |
        awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
             /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}
geometry_is() { [ "$(geometry)" = "$1" ]; }
# The popup menu: an unnamed window of torven.exe, taller than 150 pixels.
menu_open() {
    xwininfo -root -tree | grep 'has no name.*"torven.exe"' | grep -Eo ' [0-9]+x[0-9]+\+' |
        awk -Fx '{ if ($2 + 0 > 150) found = 1 } END { exit !found }'
}
pixel() { convert "$1" -format "%[pixel:p{$2,$3}]" info:; }

start_clock() {
    wine "$exe" &
    clock_pid=$!
    until_true clock_shown || fail "no clock window"
}
stopped() { ! kill -0 "$clock_pid" 2>/dev/null; }
# Right press on the face, then an access key of the menu.
menu_key() {
    xdotool mousemove "$1" "$2" click 3
    until_true menu_open || fail "right-click opened no menu"
    [ -z "${3:-}" ] || import -window root "$3"
    xdotool key "$4"
}

wine reg delete "$key" /f >/dev/null 2>&1 || true

# First start: the defaults, 1600 twips square at 120, 120 twips, cut round.
start_clock
until_true geometry_is "8 8 107 107" || fail "default place and size: $(geometry)"
sleep 1
import -window root "$work/start.png"
[ "$(pixel "$work/start.png" 9 9)" = "srgb(0,0,0)" ] || fail "the corner is not cut away"
[ "$(pixel "$work/start.png" 61 30)" = "srgb(255,255,255)" ] || fail "no white face"

# The About box, closed with Enter; then the menu still takes its access keys.
about_open() { [ "$(xdotool search --name '^TORVEN$' 2>/dev/null | wc -l)" -gt 1 ]; }
menu_key 61 40 "$work/menu.png" v
until_true about_open || fail "V opened no About box"
# In the middle of the 1280 x 800 screen (its client area, below the title bar),
# not over the clock.
for w in $(xdotool search --name '^TORVEN$'); do xwininfo -id "$w"; done |
    awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF}
         /Height:/{d=(x+w/2-640)^2+(y+$NF/2-400)^2; if (d<=576) found=1} END{exit !found}' ||
    fail "the About box is not centred on the screen"
xdotool key Return
until_true eval '! about_open' || fail "Enter did not close the About box"

# Right-click, then B: the clock doubles in place.
menu_key 61 40 "" b
until_true geometry_is "8 8 214 214" || fail "B did not double the clock: $(geometry)"

# Right-click again, then X: the clock ends and writes its nine settings.
menu_key 100 100 "" x
until_true stopped || fail "X did not end the clock"
wait "$clock_pid" || true
settings=$(wine reg query "$key" | tr -d '\r')
echo "$settings"
for pair in Top=120 Left=120 Size=3210 Color1=16777215 Color2=16711680 Color3=0 \
    Anadigi=True Temae=True Henka=False; do
    grep -Eq "^ +${pair%%=*} +REG_SZ +${pair#*=}\$" <<<"$settings" || fail "stored $pair"
done

# Second start: back at the same place and size.
start_clock
until_true geometry_is "8 8 214 214" || fail "not restored: $(geometry)"
menu_key 100 100 "" x
until_true stopped || fail "X did not end the clock the second time"
echo "end to end: passed"
