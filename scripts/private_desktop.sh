# Sourced by the scripts that show the clock where there is no display: a private
# X server (Xvfb, on a display number it picks itself) with a window manager (openbox,
# or $desktop_wm: i3, icewm), in a temporary folder that also holds HOME and the settings.
#
#   start_private_desktop [Xvfb option...]   sets DISPLAY, HOME, XDG_*, desktop_work
#   start_window_manager [DISPLAY]           another, e.g. on the display's second screen
#   desktop_track PID                         ends PID with the desktop
#   end_private_desktop                       ends everything, last started first

desktop_pids=()
desktop_work=""

desktop_track() { desktop_pids+=("$1"); }

start_private_desktop() {
    local i
    desktop_work=$(mktemp -d)
    # No key repeats: on a loaded machine a scripted key held past the repeat delay
    # would be typed again, into whatever the first press opened. No reset when the last
    # client leaves, as under a session: meanwhile the server refuses connections.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ardelay 60000 -noreset "$@" \
        3>"$desktop_work/display" 2>/dev/null &
    desktop_track $!
    for i in $(seq 50); do [ -s "$desktop_work/display" ] && break; sleep 0.1; done
    [ -s "$desktop_work/display" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$desktop_work/display")"
    start_window_manager || return 1
    export HOME="$desktop_work/home" XDG_CONFIG_HOME="$desktop_work/home/.config"
    export XDG_RUNTIME_DIR="$desktop_work/run"
    mkdir -p "$HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}

start_window_manager() {
    local display=${1:-$DISPLAY} i
    {
        export DISPLAY=$display
        case ${desktop_wm:-openbox} in
            openbox) exec openbox --sm-disable ;;
            i3) printf 'font pango:monospace 8\n' >"$desktop_work/i3.conf"
                exec i3 -c "$desktop_work/i3.conf" ;;
            *) exec "$desktop_wm" ;;
        esac
    } >/dev/null 2>&1 &
    desktop_track $!
    for i in $(seq 50); do
        xprop -display "$display" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
            return 0
        sleep 0.1
    done
    echo "${desktop_wm:-openbox} did not start" >&2
    return 1
}

end_private_desktop() {
    local i
    # The clock before its window manager, the window manager before the X server.
    for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do
        kill "${desktop_pids[i]}" 2>/dev/null || true
        wait "${desktop_pids[i]}" 2>/dev/null || true
    done
    desktop_pids=()
    [ -n "$desktop_work" ] && rm -rf "$desktop_work"
    desktop_work=""
}
