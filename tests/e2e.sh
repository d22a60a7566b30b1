#!/usr/bin/env bash
# A person's path with the real clock, on an X server with openbox, driven by xdotool.
#   e2e.sh linux <torven> <shots>        on a private Xvfb of its own
#   e2e.sh windows <torven.exe> <shots>  under Wine on $DISPLAY and $WINEPREFIX
#   e2e.sh desktops <torven> <shots>     the place, the band and the taskbar on openbox,
#                                        i3 and icewm, each on a private Xvfb
#   e2e.sh depth16 <torven> <shots>      the face and its ticks on a 16-bit screen, where
#                                        Qt paints them all
set -euo pipefail
desktop=$1 program=$2 shots=$3
mkdir -p "$shots"
fail() {  # with a screenshot
    echo "FAIL [$desktop]: $*" >&2; import -window root "$shots/$desktop-failed.png" 2>/dev/null; exit 1
}
wait_for() {  # polls a command for up to ten seconds
    for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1
}
window() { xdotool search --onlyvisible --name '^TORVEN$' | head -n1 | grep .; }
geometry() {  # "x,y wxh" of the window $1, by default the clock's
    xdotool getwindowgeometry --shell "${1:-$(window)}" |
        awk -F= '{ g[$1] = $2 } END { print g["X"] "," g["Y"] " " g["WIDTH"] "x" g["HEIGHT"] }'
}
expect_geometry() { wait_for test "$(geometry)" = "$1" || fail "window at $(geometry), expected $1"; }
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}'; }
start_clock() {
    if [ "$desktop" != windows ]; then "$program" & else wine "$program" & fi; clock=$!
    wait_for window || fail "no clock window"
    sleep 1  # mapped, shaped, managed and taking the pointer
}
menu() {  # right-click at x y, then the keys
    xdotool mousemove "$1" "$2" click 3
    # The menu opens below and right of the pointer, over the black desktop.
    wait_for test "$(pixel $(($1 + 6)) $(($2 + 100)))" != "#000000" || fail "no menu at $1,$2"
    shift 2 && xdotool key "$@" && sleep 0.3
}
drag() {  # from x y to x y, entering the window first
    xdotool mousemove $(($1 - 5)) $(($2 - 5)) sleep 0.2 mousemove "$1" "$2" mousedown 1 \
        mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2)) mousemove "$3" "$4" sleep 0.2 mouseup 1
}
ended() { ! kill -0 "$clock" 2>/dev/null; }
expect_saved() {  # top left size, and the six others at their defaults
    wait_for ended || fail "the clock did not end"
    local pairs="Top=$1 Left=$2 Size=$3 Color1=16777215 Color2=16711680 Color3=0 Anadigi=True Temae=True Henka=False"
    if [ "$desktop" != windows ]; then
        stored=$(sed -n '/^\[Startup\]/,/^$/p' "$XDG_CONFIG_HOME/TORVEN/TORVEN.conf" | grep = | sort)
    else
        stored=$(wine reg query 'HKCU\Software\TORVEN\Startup' | tr -d '\r' | awk '$2 == "REG_SZ" { print $1 "=" $3 }' | sort)
    fi
    [ "$stored" = "$(tr ' ' '\n' <<<"$pairs" | sort)" ] || fail "saved: $stored"
}
in_front() { xprop -id "$(window)" _NET_WM_STATE | grep -q ABOVE; }
behind() { ! in_front; }

if [ "$desktop" = desktops ]; then
    # Each window manager: the stored place is where the window's own corner shows and is
    # saved again as it was; a drag's place comes back at the next start; "always in front"
    # goes off and on where the manager has the state (i3 keeps every floating window over
    # the tiled ones and has none). Under openbox the taskbar is asked to leave the clock out,
    # also over a second X screen, where Qt's Wayland platform gives way to X, and a move
    # made with the window manager comes back at the next start.
    source "$(dirname "$0")/../scripts/private_desktop.sh"
    trap end_private_desktop EXIT
    for desktop_wm in openbox i3 icewm; do
        start_private_desktop -br -screen 1 640x480x24 || fail "no desktop with $desktop_wm"
        mkdir -p "$XDG_CONFIG_HOME/TORVEN"
        printf '[Startup]\nTop=2250\nLeft=3000\n' >"$XDG_CONFIG_HOME/TORVEN/TORVEN.conf"
        start_clock
        expect_geometry "200,150 107x107"
        xprop -root _NET_SUPPORTED | grep -q _NET_WM_STATE_ABOVE && band=1 || band=0
        ((!band)) || in_front || fail "$desktop_wm: not in front at the start"
        for state in behind in_front; do  # the first entry has no access key
            menu 250 200 Down Return
            ((!band)) || wait_for $state || fail "$desktop_wm: not $state"
        done
        expect_geometry "200,150 107x107"
        drag 250 200 290 230
        expect_geometry "240,180 107x107"
        menu 290 230 x
        expect_saved 2700 3600 1605
        start_clock
        expect_geometry "240,180 107x107"
        if [ "$desktop_wm" = openbox ]; then
            xprop -id "$(window)" _NET_WM_STATE | grep -q SKIP_TASKBAR || fail "on the taskbar"
            start_window_manager "$DISPLAY.1" || fail "no window manager on the second screen"
            DISPLAY=$DISPLAY.1 WAYLAND_DISPLAY=wayland-9 QT_QPA_PLATFORM=wayland "$program" &
            desktop_track $!
            on_screen_1() { xdotool search --screen 1 --onlyvisible --name '^TORVEN$' | grep .; }
            wait_for on_screen_1 || fail "no clock on the second screen"
            xprop -id "$(on_screen_1)" _NET_WM_STATE | grep -q SKIP_TASKBAR ||
                fail "on the second screen's taskbar"
            # A move the user makes with the window manager (Alt and the left button) is kept.
            xdotool mousemove 290 230 keydown alt sleep 0.2 mousedown 1 sleep 0.2 \
                mousemove 300 240 sleep 0.1 mousemove 350 270 sleep 0.1 mousemove 390 290 \
                sleep 0.3 mouseup 1 sleep 0.1 keyup alt
            expect_geometry "340,240 107x107"
            menu 390 290 x
            expect_saved 3600 5100 1605
            start_clock
            expect_geometry "340,240 107x107"
            menu 390 290 x
            expect_saved 3600 5100 1605
        else
            menu 290 230 x
            expect_saved 2700 3600 1605
        fi
        end_private_desktop
    done
    echo "ok [$desktop]"
    exit 0
fi

if [ "$desktop" != windows ]; then
    source "$(dirname "$0")/../scripts/private_desktop.sh"
    trap end_private_desktop EXIT
    # -br: a black desktop around the clock
    start_private_desktop -br $([ "$desktop" = linux ] || echo -screen 0 1024x768x16) ||
        fail "no desktop"
else
    export WINEDEBUG=-all
    wine reg delete 'HKCU\Software\TORVEN' /f >/dev/null 2>&1 || true
    trap 'kill $clock 2>/dev/null || true' EXIT
fi

if [ "$desktop" = picom ]; then
    picom --config /dev/null --backend xrender >/dev/null 2>&1 &  # no shadows, no fading
    desktop_track $!
    xlogo -bg '#336699' -fg '#336699' -geometry 400x400+50+50 &
    desktop_track $!
    wait_for xdotool search --onlyvisible --name xlogo || fail "no window under the clock"
    mkdir -p "$XDG_CONFIG_HOME/TORVEN"
    printf '[Startup]\nTop=1500\nLeft=1500\n' >"$XDG_CONFIG_HOME/TORVEN/TORVEN.conf"
    start_clock
    expect_geometry "100,100 107x107"
    round() {  # its corners the window under it, as picom shows that away from the clock
        local under
        under=$(pixel 300 300)
        for spot in "101 101 $under" "205 101 $under" "101 205 $under" "205 205 $under" \
            "153 104 #0000FF" "115 152 #FFFFFF"; do
            read -r x y colour <<<"$spot"
            [ "$(pixel "$x" "$y")" = "$colour" ] || return 1
        done
    }
    wait_for round || fail "not round under picom"
    echo "ok [$desktop]"
    exit 0
fi
start_clock
expect_geometry "8,8 107x107"
import -window root "$shots/$desktop.png"
# The corners cut away, the ring at the top, the face.
for spot in "9 9 #000000" "113 9 #000000" "61 12 #0000FF" "23 60 #FFFFFF"; do
    read -r x y colour <<<"$spot"
    [ "$(pixel "$x" "$y")" = "$colour" ] || fail "pixel $x,$y is $(pixel "$x" "$y"), not $colour"
done
drag 60 60 160 140
expect_geometry "108,88 107x107"
shot() { import -window root -crop 107x107+108+88 "$shots/$1.png"; }
differ() { [ "$(compare -metric AE "$shots/$1.png" "$shots/$2.png" null: 2>&1)" != 0 ]; }
# It ticks on screen: two shots a second and a half apart differ.
shot tick1 && sleep 1.5 && shot tick2 && differ tick1 tick2 || fail "the clock stands still"
if [ "$desktop" != windows ]; then
    # What the ticks sent is what the window holds: mapped again within the same second,
    # it shows the same pixels.
    for _ in 1 2 3 4 5; do
        ms=$(date +%N) && sleep "0.$(printf %03d $(((1200 - 10#${ms:0:3}) % 1000)))"
        second=$(date +%s) && shot sent
        xdotool windowunmap --sync "$(window)" windowmap --sync "$(window)" sleep 0.2 && shot held
        [ "$(date +%s)" != "$second" ] || break
    done
    ! differ sent held || fail "sent pixels differ"
    [ "$desktop" = linux ] || { echo "ok [$desktop]"; exit 0; }
fi
# The colour picker, cancelled, changes nothing (the saved colours tell). The About box
# opens in the middle of the screen (give or take its title bar), not over the clock;
# closed, it leaves a menu that still takes its access keys.
clock_window=$(window)
dialog() { xdotool search --onlyvisible --name . | grep -vx "$clock_window"; }
no_dialog() { ! dialog; }
for key in c v; do
    menu 160 140 $key
    wait_for dialog || fail "$key opened no dialog"
    IFS=',x ' read -r X Y WIDTH HEIGHT <<<"$(geometry "$(dialog)")"
    read -r W H < <(xdotool getdisplaygeometry)
    (((2 * X + WIDTH - W) ** 2 + (2 * Y + HEIGHT - H) ** 2 <= 4 * 48 ** 2)) ||
        fail "dialog at $X,$Y ${WIDTH}x$HEIGHT on ${W}x$H"
    xdotool key Escape
    wait_for no_dialog || fail "Escape left the dialog open"
done
menu 160 140 b
expect_geometry "108,88 214x214"
# A click on the readout's time, then a drag by the face: the click's release came through.
xdotool mousemove 215 213 click 1 && drag 150 150 170 170
expect_geometry "128,108 214x214"
menu 200 200 x
expect_saved 1620 1920 3210
start_clock
expect_geometry "128,108 214x214"
menu 200 200 x
wait_for ended || fail "the clock did not end"
echo "ok [$desktop]"
