#!/usr/bin/env bash
# The real clock in a Wayland session with no X server, on Debian's compositors started
# headless, as a person meets it; judged by the compositor's own screenshots.
#   e2e_wayland.sh sway <torven> <virtual_input> <shots>   a layer surface: at the stored place,
#       round, not a window; in front of a window opened after it, behind it once the menu
#       (by keys) says so; a drag saved and shown at the next start; About as a window
#   e2e_wayland.sh weston <torven> <virtual_input> <shots> a plain window: round, stays up, the
#       stored place kept
# sway refuses root: as root, the compositor and its clients run as nobody.
set -euo pipefail
mode=$1 torven=$(realpath "$2") input=$(realpath "$3") shots=$(realpath -m "$4")
mkdir -p "$shots"
work=$(mktemp -d)
chmod 755 "$work"
pids=()
finish() {
    exec 7>&- 2>/dev/null || true
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL [$mode]: $*" >&2; shot "$mode-failed" 2>/dev/null; exit 1; }
wait_for() {  # polls a command for up to ten seconds
    for _ in $(seq 50); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done; return 1
}
as_user() {
    if [ "$(id -u)" = 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi
}
started() {  # as_user in the background, with this stdin; ended with the test, $started its pid
    if [ "$(id -u)" = 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@" <&0 &
    else "$@" <&0 & fi
    started=$!
    pids+=($started)
}
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
export WAYLAND_DISPLAY=wayland-e2e NO_AT_BRIDGE=1
unset DISPLAY TORVEN_PLATFORM QT_QPA_PLATFORM
mkdir -p "$XDG_CONFIG_HOME/TORVEN" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
[ "$(id -u)" != 0 ] || chown -R nobody:nogroup "$work"
conf=$XDG_CONFIG_HOME/TORVEN/TORVEN.conf
store() { as_user sh -c "printf '[Startup]\n$1\n' >'$conf'"; }
stored() { sed -n '/^\[Startup\]/,/^$/p' "$conf" | grep -E "^($1)=" | sort | tr '\n' ' '; }

# The desktop: 640 x 480, #336699.
case $mode in
    sway)
        printf 'xwayland disable\noutput * resolution 640x480 bg #336699 solid_color\n' >"$work/sway.conf"
        WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
            started sway -c "$work/sway.conf" -d >"$work/compositor.log" 2>&1
        shot() { as_user grim - >"$shots/$1.png"; } ;;
    weston)
        printf '[shell]\nbackground-color=0xff336699\npanel-position=none\n' >"$work/weston.ini"
        started weston --backend=headless-backend.so --use-pixman --width=640 --height=480 --debug \
            --socket="$WAYLAND_DISPLAY" --config="$work/weston.ini" --idle-time=0 \
            >"$work/compositor.log" 2>&1
        shot() { (cd "$work" && rm -f wayland-screenshot-*.png && as_user timeout 5 weston-screenshooter &&
            mv wayland-screenshot-*.png "$shots/$1.png"); } ;;
esac
socket() { find "$XDG_RUNTIME_DIR" -name 'wayland-*' -type s | grep .; }
wait_for socket || fail "no $mode: $(tail -3 "$work/compositor.log")"
export WAYLAND_DISPLAY=$(basename "$(socket | head -n1)")  # sway names its own
[ "$mode" != sway ] || export SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)
pixel() { convert "$shots/$1.png" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}'; }
# The clock of 107 pixels at x y: the four corners of its box show the desktop ($3, by
# default #336699), the frame ring its top, the face white.
round_at() {
    local x=$1 y=$2 desktop=${3:-#336699} spot
    shot now 2>/dev/null || return 1
    for spot in "0 0 $desktop" "106 0 $desktop" "0 106 $desktop" "106 106 $desktop" \
        "53 4 #0000FF" "15 52 #FFFFFF"; do
        read -r dx dy colour <<<"$spot"
        [ "$(pixel now $((x + dx)) $((y + dy)))" = "$colour" ] || return 1
    done
}
start_clock() {
    started "$torven" 2>>"$work/clock.log"
    clock=$started
}
ended() { ! kill -0 "$clock" 2>/dev/null; }

if [ "$mode" = weston ]; then
    store 'Top=2250\nLeft=3000'
    start_clock
    wait_for grep -q "no layer shell" "$work/clock.log" || fail "no word on what weston lacks"
    # Where weston puts it: the frame ring's box starts a pixel into the window's.
    for _ in $(seq 50); do
        shot weston && at=$(convert "$shots/weston.png" -fill black +opaque '#0000FF' -trim 2>/dev/null \
            -format '%X %Y' info: | awk '{ print $1 - 1, $2 - 1 }') && round_at $at && break
        at=""; sleep 0.2
    done
    [ -n "$at" ] || fail "no round clock on weston"
    sleep 3
    ended && fail "the clock did not stay up"
    kill "$clock" && wait_for ended || fail "the clock did not end"
    [ "$(stored 'Top|Left')" = "Left=3000 Top=2250 " ] || fail "saved $(stored 'Top|Left')"
    echo "ok [$mode]"
    exit 0
fi

# sway: a pointer and a keyboard that stay.
mkfifo "$work/input"
exec 7<>"$work/input"
started "$input" 640 480 <"$work/input"
do_input() { printf '%s\n' "$@" >&7; sleep 0.3; }
menu() {  # right-click at x y, then the keys (evdev codes)
    do_input "move $1 $2" "press 273" "release 273"
    sleep 0.5
    shift 2
    for key; do do_input "key $key"; done
}
windows() { swaymsg -t get_tree | jq -r '.. | objects | select(.pid? and .pid > 0) | .name'; }

store 'Top=2250\nLeft=3000'
start_clock
wait_for round_at 200 150 || fail "not round at 200,150"
windows | grep -q . && fail "a window in sway's tree: $(windows)"
# A window opened after it, which sway spreads over the whole output.
started foot -o colors.background=ff8000 2>/dev/null
terminal=$started
wait_for windows || fail "no terminal"
wait_for round_at 200 150 '#FF8000' || fail "not in front of the terminal"
menu 250 200 108 28  # the first entry: always in front, off
behind() { shot now && [ "$(pixel now 253 154)" = "#FF8000" ]; }
wait_for behind || fail "still in front after the menu"
kill "$terminal"
wait_for round_at 200 150 || fail "not shown again behind no window"
# About opens as an ordinary window; Return closes it.
menu 250 200 47
wait_for test "$(windows)" = TORVEN || fail "no About window: $(windows)"
do_input "key 28"
wait_for test -z "$(windows)" || fail "About stayed open"
# The drag: the grabbed point stays under the pointer.
do_input "move 250 200" "press 272" "move 260 205" "move 275 212" "move 290 220" "release 272"
wait_for round_at 240 170 || fail "not dragged to 240,170"
menu 290 220 45  # Exit
wait_for ended || fail "Exit did not end the clock"
[ "$(stored 'Top|Left|Temae')" = "Left=3600 Temae=False Top=2550 " ] ||
    fail "saved $(stored 'Top|Left|Temae')"
start_clock
wait_for round_at 240 170 || fail "not at the saved place 240,170"
shot sway
kill "$clock" && wait_for ended || fail "SIGTERM did not end the clock"
[ "$(stored 'Top|Left')" = "Left=3600 Top=2550 " ] || fail "saved $(stored 'Top|Left')"
echo "ok [$mode]"
