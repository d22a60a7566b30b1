#!/usr/bin/env bash
# The real clock on a private X server with a window manager, used the way a person
# uses it: xdotool moves the pointer, clicks and presses keys; xprop, xdotool and
# screenshots tell what the desktop shows.
#
#   e2e.sh <torven binary> <case> [screenshot folder]
#
# Every case starts its own Xvfb (on a free display) and openbox, uses a temporary
# HOME for the settings file, and takes them all down again when it ends.
set -euo pipefail

torven=$1
case_name=$2
shots=${3:-$PWD}
mkdir -p "$shots"

source "$(dirname "$0")/../../scripts/private_desktop.sh"
trap end_private_desktop EXIT
work=""
fail() {
    echo "FAIL [$case_name]: $*" >&2
    [ -n "${DISPLAY:-}" ] && import -window root "$shots/$case_name-failed.png" 2>/dev/null || true
    [ -n "$work" ] && [ -f "$work/torven.log" ] && sed 's/^/  torven: /' "$work/torven.log" >&2
    exit 1
}

# Polls a command for up to five seconds.
wait_for() {
    local i
    for i in $(seq 50); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

start_desktop() {
    # A black root window (-br): the desktop that shows around the round clock.
    start_private_desktop -br || fail "no desktop"
    work=$desktop_work
    settings="$XDG_CONFIG_HOME/TORVEN/TORVEN.conf"
}

visible_clock() {
    xdotool search --onlyvisible --name '^TORVEN$' 2>/dev/null | head -n1 | grep .
}

managed() {
    xprop -id "$window" _NET_FRAME_EXTENTS | grep -q =
}

# Starts the clock and waits for its window to be mapped.
start_clock() {
    "$torven" >>"$work/torven.log" 2>&1 &
    clock=$!
    desktop_track "$clock"
    wait_for visible_clock || fail "no clock window"
    window=$(visible_clock)
    # Managed by the window manager, which has said where the frame is.
    wait_for managed || fail "the window manager did not take the window"
}

# The clock's window as "x,y widthxheight" in screen pixels.
geometry() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    echo "$X,$Y ${WIDTH}x$HEIGHT"
}

expect_geometry() {
    wait_for test "$(geometry)" = "$1" || fail "window at $(geometry), expected $1"
}

# The colour of one screen pixel as #RRGGBB.
pixel() {
    import -window root -crop "1x1+$1+$2" -depth 8 txt:- | tail -n1 | grep -o '#[0-9A-F]\{6\}'
}

expect_pixel() {
    local got
    got=$(pixel "$1" "$2")
    [ "$got" = "$3" ] || fail "pixel ($1, $2) is $got, expected $3 ($4)"
}

right_click_at() {
    xdotool mousemove "$1" "$2" click 3
    # Below and right of the pointer, clear of the clock: the menu or the desktop.
    wait_for test "$(pixel $(($1 + 100)) $(($2 + 250)))" != "#000000" || fail "no menu at ($1, $2)"
}

# Presses a key with the popup menu open (the menu holds the keyboard).
menu_key() {
    xdotool key "$@"
    sleep 0.3
}

drag() {  # from x y to x y
    xdotool mousemove "$1" "$2" mousedown 1
    sleep 0.2
    xdotool mousemove $((($1 + $3) / 2)) $((($2 + $4) / 2))
    sleep 0.1
    xdotool mousemove "$3" "$4"
    sleep 0.3
    xdotool mouseup 1
    sleep 0.2
}

wait_exit() {
    local i
    for i in $(seq 50); do
        kill -0 "$clock" 2>/dev/null || { wait "$clock" 2>/dev/null || true; return 0; }
        sleep 0.1
    done
    fail "the clock did not end"
}

net_wm_state() { xprop -id "$window" _NET_WM_STATE; }

expect_settings() {  # top left size
    [ -f "$settings" ] || fail "no settings file at $settings"
    local expected
    expected=$(printf '%s\n' "[Startup]" "Anadigi=True" "Color1=16777215" "Color2=16711680" \
        "Color3=0" "Henka=False" "Left=$2" "Size=$3" "Temae=True" "Top=$1")
    [ "$(grep -v '^$' "$settings" | sort)" = "$(echo "$expected" | sort)" ] ||
        fail "settings file holds:$(printf '\n%s' "$(cat "$settings")")"
}

start_desktop

case "$case_name" in
a_day_at_the_desk)
    start_clock
    expect_geometry "8,8 107x107"
    import -window root "$shots/$case_name.png"
    # Round: the black desktop shows at the corners; a white face in a blue ring.
    expect_pixel 8 8 "#000000" "top-left corner"
    expect_pixel 114 8 "#000000" "top-right corner"
    expect_pixel 8 114 "#000000" "bottom-left corner"
    expect_pixel 61 11 "#0000FF" "ring at the top"
    expect_pixel 23 60 "#FFFFFF" "face, beyond the hands' reach"
    xprop -id "$window" WM_CLASS | grep -q '"TORVEN"' || fail "WM_CLASS $(xprop -id "$window" WM_CLASS)"
    net_wm_state | grep -q _NET_WM_STATE_SKIP_TASKBAR || fail "on the taskbar: $(net_wm_state)"
    # Always in front, switched off and on in place (the first entry has no access key).
    net_wm_state | grep -q _NET_WM_STATE_ABOVE || fail "not in front at start: $(net_wm_state)"
    for above in ! ""; do
        right_click_at 60 60
        menu_key Down Return
        wait_for sh -c "$above xprop -id $window _NET_WM_STATE | grep -q ABOVE" ||
            fail "in front: $(net_wm_state)"
        expect_geometry "8,8 107x107"
    done
    drag 60 60 260 160
    expect_geometry "208,108 107x107"
    right_click_at 260 160
    menu_key b
    expect_geometry "208,108 214x214"
    right_click_at 300 200
    menu_key x
    wait_exit
    expect_settings 1620 3120 3210
    start_clock
    expect_geometry "208,108 214x214"
    ;;
signals_save)
    for signal in TERM INT HUP; do
        rm -f "$settings"
        start_clock
        drag 60 60 160 260
        kill -s "$signal" "$clock"
        wait_exit
        expect_settings 3120 1620 1605
    done
    ;;
*)
    fail "no such case"
    ;;
esac
echo "ok [$case_name]"
