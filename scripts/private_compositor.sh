# Sourced by the tests that show the clock on a Wayland compositor: sway, weston or kwin,
# headless, with or without XWayland, in a temporary folder that also holds HOME and the
# settings. Run as root, it runs the compositor and its clients as an unprivileged user of
# its own (sway refuses root, and its XWayland root's clients).
#
#   start_compositor NAME [x11]   sway, weston or kwin; sets compositor_work, HOME,
#                                 XDG_CONFIG_HOME, XDG_RUNTIME_DIR, WAYLAND_DISPLAY and,
#                                 with x11, DISPLAY (its XWayland)
#   as_user COMMAND...            runs COMMAND as the compositor's user, in that environment
#   screenshot FILE               a PNG of the whole output, by the compositor's own means:
#                                 grim on sway, weston's screenshooter, kwin's ScreenShot2
#   end_compositor                ends everything it started

compositor_pids=()
compositor_work=""
compositor_name=""
compositor_user=""

as_user() {
    local vars=(HOME="$HOME" XDG_CONFIG_HOME="$XDG_CONFIG_HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR"
                WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DISPLAY="${DISPLAY:-}"
                DBUS_SESSION_BUS_ADDRESS="${DBUS_SESSION_BUS_ADDRESS:-}" PATH="$PATH")
    if [ "$(id -u)" = 0 ]; then
        runuser -u "$compositor_user" -- env "${vars[@]}" "$@"
    else
        env "${vars[@]}" "$@"
    fi
}

# Waits up to ten seconds for a command to succeed.
compositor_wait() {
    local _
    for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

start_compositor() {
    local name=$1 x11=${2:-} socket
    compositor_name=$name
    compositor_work=$(mktemp -d)
    chmod 755 "$compositor_work"
    compositor_user=$(id -un)
    if [ "$(id -u)" = 0 ]; then
        compositor_user=torven-e2e
        id "$compositor_user" >/dev/null 2>&1 ||
            useradd --system --no-create-home --shell /usr/sbin/nologin "$compositor_user"
    fi
    export HOME="$compositor_work/home" XDG_RUNTIME_DIR="$compositor_work/run"
    export XDG_CONFIG_HOME="$HOME/.config" WAYLAND_DISPLAY=wayland-e2e
    unset DISPLAY
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    chown -R "$compositor_user" "$HOME" "$XDG_RUNTIME_DIR"
    case $name in
        sway)
            printf 'output HEADLESS-1 resolution 1024x768 position 0 0 bg #336699 solid_color\n%s\n' \
                "xwayland $([ -n "$x11" ] && echo force || echo disable)" >"$compositor_work/sway.conf"
            # sway names its socket itself: the first free wayland-N in the runtime folder.
            as_user env -u WAYLAND_DISPLAY WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
                WLR_RENDERER=pixman sway -c "$compositor_work/sway.conf" \
                >"$compositor_work/sway.log" 2>&1 &
            compositor_pids+=($!)
            compositor_wait compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" || return 1
            socket=$(ls "$XDG_RUNTIME_DIR" | grep -m1 -x 'wayland-[0-9]*')
            export WAYLAND_DISPLAY=$socket SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)
            ;;
        weston)
            printf '[shell]\nbackground-color=0xff336699\npanel-position=none\n' \
                >"$compositor_work/weston.ini"
            as_user weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 \
                --socket="$WAYLAND_DISPLAY" --config="$compositor_work/weston.ini" --debug \
                ${x11:+--xwayland} >"$compositor_work/weston.log" 2>&1 &
            compositor_pids+=($!)
            compositor_wait ls "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || return 1
            ;;
        kwin)
            # Debian's kwin_wayland carries a file capability that keeps it from starting in a
            # container; a copy has none. Its screenshots go through the session bus.
            cp /usr/bin/kwin_wayland "$compositor_work/kwin_wayland"
            export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
            as_user dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork \
                --nopidfile >/dev/null 2>&1 &
            compositor_pids+=($!)
            compositor_wait ls "$XDG_RUNTIME_DIR/bus" || return 1
            as_user env KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 QT_QPA_PLATFORM= \
                "$compositor_work/kwin_wayland" --virtual --width 1024 --height 768 \
                --socket "$WAYLAND_DISPLAY" ${x11:+--xwayland} >"$compositor_work/kwin.log" 2>&1 &
            compositor_pids+=($!)
            compositor_wait ls "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || return 1
            ;;
        *) echo "no compositor $name" >&2; return 1 ;;
    esac
    [ -n "$x11" ] || return 0
    compositor_wait xwayland_display || return 1
    export DISPLAY=$(xwayland_display)
    compositor_wait as_user xprop -root || return 1
}

# The compositor's XWayland display: weston starts the server at its first client, the
# others at once.
xwayland_display() {
    if [ "$compositor_name" = weston ]; then
        grep -o 'listening on display :[0-9]*' "$compositor_work/weston.log"
    else
        pgrep -a -u "$compositor_user" -x Xwayland
    fi | grep -o -m1 ':[0-9]\+' | grep .
}

screenshot() {
    local file=$1 raw
    case $compositor_name in
        sway) as_user grim "$HOME/screen.png" && mv "$HOME/screen.png" "$file.tmp" ;;
        weston)
            (cd "$HOME" && as_user weston-screenshooter >/dev/null 2>&1)
            mv "$(ls -t "$HOME"/wayland-screenshot-*.png | head -n1)" "$file.tmp" ;;
        kwin)
            raw=$compositor_work/screen.raw
            install -m 600 -o "$compositor_user" /dev/null "$raw"
            as_user /usr/bin/python3 - "$raw" <<'PY' || return 1
import os, sys
import gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib
fd = os.open(sys.argv[1], os.O_WRONLY)
fds = Gio.UnixFDList.new()
fds.append(fd)
Gio.bus_get_sync(Gio.BusType.SESSION, None).call_with_unix_fd_list_sync(
    "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureArea",
    GLib.Variant("(iiuua{sv}h)", (0, 0, 1024, 768, {}, 0)), GLib.VariantType("(a{sv})"),
    Gio.DBusCallFlags.NONE, 10000, fds, None)
PY
            convert -size 1024x768 -depth 8 "bgra:$raw" -alpha off "png:$file.tmp" ;;
    esac
    mv "$file.tmp" "$file"
}

end_compositor() {
    local i
    for ((i = ${#compositor_pids[@]} - 1; i >= 0; i--)); do
        kill "${compositor_pids[i]}" 2>/dev/null || true
        wait "${compositor_pids[i]}" 2>/dev/null || true
    done
    compositor_pids=()
    # What is left of this run (another may run beside it as the same user): each of its
    # programs names the run's folder.
    [ -z "$compositor_work" ] || pkill -u "$compositor_user" -f "$compositor_work" || true
    [ -n "$compositor_work" ] && rm -rf "$compositor_work"
    compositor_work=""
}
