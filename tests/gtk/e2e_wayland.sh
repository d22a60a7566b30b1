#!/usr/bin/env bash
# The real clock in a Wayland session with no X server, on Debian's compositors started
# headless (scripts/private_compositor.sh), as a person meets it; judged by the compositor's
# own screenshots.
#   e2e_wayland.sh sway <torven> <virtual_input> <shots>   a layer surface: at the stored place,
#       round, not a window; in front of a window opened after it, behind it once the menu
#       (by keys) says so; About as a window; a drag saved and shown at the next start, and
#       saved when sway ends
#   e2e_wayland.sh kwin ...     a layer surface at the stored place, round, in front of a window
#       opened after it, or behind it
#   e2e_wayland.sh weston ...   a plain window: round, stays up, the stored place kept
#   e2e_wayland.sh xwayland ... the X clock through XWayland on sway, weston and kwin: round;
#       a drag saved where the compositor carries it out (kwin), the stored place kept where
#       it refuses it (sway) or places X windows itself (weston, whose XWayland dies of a
#       scripted pointer: nothing is dragged there)
set -euo pipefail
mode=$1 build_torven=$(realpath "$2") build_input=$(realpath "$3") shots=$(realpath -m "$4")
mkdir -p "$shots"
source "$(dirname "$0")/../../scripts/private_compositor.sh"
finish() {
    exec 7>&- 2>/dev/null || true
    end_compositor
}
trap finish EXIT
# The compositor's folder for this run, and the programs copied into it: the compositor's user
# may not reach the build folder (a checkout in root's home).
begin() {
    start_compositor "$@" || fail "no $1"
    work=$compositor_work conf=$XDG_CONFIG_HOME/TORVEN/TORVEN.conf
    cp "$build_torven" "${build_torven%/*}/torven-wayland" "$build_input" "$work/"
    torven=$work/torven input=$work/${build_input##*/}
}
fail() { echo "FAIL [$mode${on:+ $on}]: $*" >&2; shot "$mode-failed" 2>/dev/null; exit 1; }
wait_for() {  # polls a command for up to ten seconds
    for _ in $(seq 50); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done; return 1
}
shot() { screenshot "$shots/$1.png"; }
started() {  # as_user in the background, with this stdin; $started is its pid
    as_user sh -c 'echo $$ >"$0"; exec "$@"' "$HOME/pid" "$@" <&0 &
    wait_for test -s "$HOME/pid" || fail "$1 did not start"
    started=$(cat "$HOME/pid") && rm "$HOME/pid"
    compositor_pids+=("$started")  # ended with the compositor
}
store() { as_user sh -c "mkdir -p '${conf%/*}' && printf '[Startup]\n$1\n' >'$conf'"; }
stored() { sed -n '/^\[Startup\]/,/^$/p' "$conf" | grep -E "^($1)=" | sort | tr '\n' ' '; }
pixel() { convert "$shots/$1.png" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}'; }
# The clock of 107 pixels at x y: the four corners of its box show the desktop ($3, by
# default #336699, which weston's shadow around an X window may darken), the frame ring its
# top, the face white.
round_at() {
    local x=$1 y=$2 desktop=${3:-#336699} spot seen
    shot now 2>/dev/null || return 1
    for spot in "0 0 $desktop" "106 0 $desktop" "0 106 $desktop" "106 106 $desktop" \
        "53 4 #0000FF" "15 52 #FFFFFF"; do
        read -r dx dy colour <<<"$spot"
        seen=$(pixel now $((x + dx)) $((y + dy)))
        [ "$seen" = "$colour" ] || { [ "$colour" = '#336699' ] && shaded "$seen"; } || return 1
    done
}
shaded() {  # #336699 darker: 1:2:3, not black
    local r=$((0x${1:1:2})) g=$((0x${1:3:2})) b=$((0x${1:5:2}))
    ((b >= 64 && (3 * r - b) ** 2 <= 400 && (3 * g - 2 * b) ** 2 <= 900))
}
start_clock() {
    started "$@" "$torven" 2>>"$work/clock.log"
    clock=$started
}
ended() { ! kill -0 "$clock" 2>/dev/null; }
# The clock's box in the screenshot `now`, found by its frame ring, which starts a pixel in
# (a compositor may show an X window elsewhere than X has it).
ring() { convert "$shots/now.png" -fill black +opaque '#0000FF' -trim -format '%X %Y' info: |
    awk '{ print $1 - 1, $2 - 1 }'; }
found() { shot now && round_at $(ring); }
# An orange window over the whole output, opened after the clock; $started is its pid. (A
# terminal would end at once with the shell of a user who has none.)
orange_window() {
    started python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk, Gdk
css = Gtk.CssProvider(); css.load_from_data(b"window { background: #ff8000; }")
Gtk.StyleContext.add_provider_for_screen(Gdk.Screen.get_default(), css, 800)
w = Gtk.Window(); w.maximize(); w.show(); Gtk.main()' 2>/dev/null
}

if [ "$mode" = xwayland ]; then
    for on in sway weston kwin; do
        begin $on x11
        # kwin's own desktop is black: a window of the others' colour goes under the clock.
        [ $on != kwin ] || as_user xlogo -bg '#336699' -fg '#336699' -geometry 400x300+100+100 &
        store 'Top=2250\nLeft=3000'
        start_clock env TORVEN_PLATFORM=x11
        window() { as_user xdotool search --onlyvisible --name '^TORVEN$' | head -n1 | grep .; }
        place() { as_user xwininfo -id "$(window)" | awk '/Absolute upper-left/ { printf "%s ", $4 }'; }
        wait_for window && sleep 1 || fail "no clock window"
        wait_for found || fail "not round"
        saved="Left=3000 Top=2250 " moved=$(place)
        if [ $on != weston ]; then
            read -r x y <<<"$moved"
            as_user xdotool mousemove $((x + 45)) $((y + 45)) sleep 0.2 mousemove $((x + 50)) \
                $((y + 50)) mousedown 1 mousemove $((x + 70)) $((y + 65)) mousemove $((x + 90)) \
                $((y + 80)) sleep 0.3 mouseup 1 sleep 0.5
            [ $on = sway ] || moved="240 180 " saved="Left=3600 Top=2700 "
        fi
        [ "$(place)" = "$moved" ] || fail "dragged to $(place), not $moved"
        kill "$clock" && wait_for ended || fail "the clock did not end"
        [ "$(stored 'Top|Left')" = "$saved" ] || fail "saved $(stored 'Top|Left')"
        end_compositor
    done
    echo "ok [$mode]"
    exit 0
fi

begin "$mode"
if [ "$mode" = kwin ]; then
    # At the stored place and round, on kwin's black desktop; a window that covers the screen,
    # opened after it, stays under it, or over it when "always in front" is off.
    behind() { shot now && [ "$(pixel now 253 154)" = "#FF8000" ]; }
    for front in True False; do
        store "Top=2250\nLeft=3000\nTemae=$front"
        start_clock
        wait_for round_at 200 150 '#000000' || fail "not round at 200,150"
        orange_window
        if [ $front = True ]; then
            wait_for round_at 200 150 '#FF8000' || fail "not in front of the window"
        else
            wait_for behind || fail "in front though it should not be"
        fi
        kill "$started" "$clock" && wait_for ended || fail "SIGTERM did not end the clock"
        [ "$(stored 'Top|Left|Temae')" = "Left=3000 Temae=$front Top=2250 " ] ||
            fail "saved $(stored 'Top|Left|Temae')"
    done
    echo "ok [$mode]"
    exit 0
fi

if [ "$mode" = weston ]; then
    store 'Top=2250\nLeft=3000'
    start_clock
    wait_for grep -q "no layer shell" "$work/clock.log" || fail "no word on what weston lacks"
    wait_for found || fail "no round clock on weston"  # where weston puts it
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
started "$input" 1024 768 <"$work/input"
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
orange_window
window=$started
wait_for windows || fail "no window"
wait_for round_at 200 150 '#FF8000' || fail "not in front of the window"
menu 250 200 108 28  # the first entry: always in front, off
behind() { shot now && [ "$(pixel now 253 154)" = "#FF8000" ]; }
wait_for behind || fail "still in front after the menu"
kill "$window"
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
# Moved again, and the session ends (sway exits): the clock saves as it goes.
do_input "move 290 220" "press 272" "move 300 230" "move 310 240" "release 272"
wait_for round_at 260 190 || fail "not dragged to 260,190"
swaymsg exit >/dev/null 2>&1 || true  # sway may go before it answers
wait_for ended || fail "the clock outlived sway"
[ "$(stored 'Top|Left')" = "Left=3900 Top=2850 " ] || fail "saved $(stored 'Top|Left')"
echo "ok [$mode]"
