#!/usr/bin/env bash
# The clock on compositors, judged by their own screenshots: the four corners of the
# window's box show what lies behind it, the face shows the clock.
#   e2e_compositors.sh xwayland <torven> <shots>  through XWayland on sway, weston and kwin,
#                                                 each headless
#   e2e_compositors.sh picom <torven> <shots>     on X under openbox with picom compositing
set -euo pipefail
mode=$1 program=$2 shots=$3
here=$(dirname "$0")
mkdir -p "$shots"
desk='#336699'  # the desktop, or a window under the clock
fail() { echo "FAIL [$mode${on:+ $on}]: $*" >&2; exit 1; }
wait_for() {
    for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1
}
pixel() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}'; }
# Whether a colour is the desktop's, or that shaded darker (weston's shadow around a window).
desktop() {
    local r=$((0x${1:1:2})) g=$((0x${1:3:2})) b=$((0x${1:5:2}))
    ((b >= 64 && b <= 0x99 && (3 * r - b) ** 2 <= 400 && (3 * g - 2 * b) ** 2 <= 900))
}
# The clock's box in the screenshot $1, found by its ring (a compositor may show an X window
# elsewhere than X has it): its corners show the desktop, its ring and face the clock's
# (blue at the top, white inside).
expect_round() {
    local shot=$1 x y spot seen
    read -r x y < <(convert "$shot" -fill black +opaque '#0000FF' -trim -format '%X %Y\n' info:)
    x=$((x - 1)) y=$((y - 1))
    for spot in "0 0 desktop" "106 0 desktop" "0 106 desktop" "106 106 desktop" \
        "53 4 #0000FF" "15 52 #FFFFFF"; do
        set -- $spot
        seen=$(pixel "$shot" $((x + $1)) $((y + $2)))
        [ "$seen" = "$3" ] || { [ "$3" = desktop ] && desktop "$seen"; } ||
            fail "pixel $1,$2 of the clock at $x,$y is $seen, not $3"
    done
}
store() {  # the settings the next clock starts with: 200,150 pixels
    mkdir -p "$XDG_CONFIG_HOME/TORVEN"
    printf '[Startup]\nTop=2250\nLeft=3000\n' >"$XDG_CONFIG_HOME/TORVEN/TORVEN.conf"
}
saved_place() { grep -E '^(Left|Top)=' "$XDG_CONFIG_HOME/TORVEN/TORVEN.conf" | sort | tr '\n' ' '; }

if [ "$mode" = picom ]; then
    on=picom
    source "$here/../scripts/private_desktop.sh"
    trap end_private_desktop EXIT
    start_private_desktop -br || fail "no desktop"
    picom --backend xrender --no-fading-openclose --shadow-exclude "class_g = 'TORVEN'" \
        >/dev/null 2>&1 &
    desktop_track $!
    wait_for xprop -root _NET_WM_CM_S0 || true
    xlogo -bg "$desk" -fg "$desk" -geometry 400x300+100+100 &
    desktop_track $!
    store
    "$program" &
    desktop_track $!
    wait_for xdotool search --onlyvisible --name '^TORVEN$' || fail "no clock window"
    sleep 1
    import -window root "$shots/picom.png"
    expect_round "$shots/picom.png"
    echo "ok [$mode]"
    exit 0
fi

source "$here/../scripts/private_compositor.sh"
trap end_compositor EXIT
for on in sway weston kwin; do
    start_compositor $on x11 || fail "no $on"
    window() { as_user xdotool search --onlyvisible --name '^TORVEN$' | head -n1 | grep .; }
    place() { as_user xwininfo -id "$(window)" | awk '/Absolute upper-left [XY]/ { printf "%s ", $4 }'; }
    # kwin's own desktop is black: a window of the desktop's colour goes under the clock.
    if [ $on = kwin ]; then
        as_user xlogo -bg "$desk" -fg "$desk" -geometry 400x300+100+100 &
        wait_for as_user xdotool search --onlyvisible --name xlogo || fail "no xlogo"
    fi
    store
    chown -R "$compositor_user" "$XDG_CONFIG_HOME"
    install -m 755 "$program" "$compositor_work/torven"
    as_user env TORVEN_PLATFORM=x11 "$compositor_work/torven" &  # not the layer shell
    wait_for window || fail "no clock window"
    sleep 1
    read -r x y <<<"$(place)"
    screenshot "$shots/xwayland-$on.png"
    expect_round "$shots/xwayland-$on.png"
    # A drag of 40,30: kwin carries it out and the new place is saved; sway, which places X
    # windows itself, refuses it and the stored place is kept, as it is where weston placed
    # the window (its XWayland dies of a scripted pointer, so nothing is dragged there).
    saved="Left=3000 Top=2250 "
    if [ $on != weston ]; then
        as_user xdotool mousemove $((x + 45)) $((y + 45)) sleep 0.2 \
            mousemove $((x + 50)) $((y + 50)) mousedown 1 mousemove $((x + 70)) $((y + 65)) \
            mousemove $((x + 90)) $((y + 80)) sleep 0.3 mouseup 1 sleep 0.5
        [ $on = kwin ] && moved="240 180 " saved="Left=3600 Top=2700 " || moved="$x $y "
        [ "$(place)" = "$moved" ] || fail "dragged from $x,$y to $(place)"
    fi
    pkill -TERM -u "$compositor_user" -f "$compositor_work/torven"
    gone() { ! window; }
    wait_for gone || fail "the clock did not end"
    sleep 0.5
    [ "$(saved_place)" = "$saved" ] || fail "saved $(saved_place)with the window at $x,$y"
    end_compositor
done
echo "ok [$mode]"
