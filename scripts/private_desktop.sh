# Sourced by the scripts that show the clock where there is no display: a private
# X server (Xvfb, on a display number it picks itself) with the openbox window
# manager, in a temporary folder that also holds HOME and the settings.
#
#   start_private_desktop [Xvfb option...]   sets DISPLAY, HOME, XDG_*, desktop_work
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
    openbox --sm-disable >/dev/null 2>&1 &
    desktop_track $!
    for i in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
        { echo "openbox did not start" >&2; return 1; }
    export HOME="$desktop_work/home" XDG_CONFIG_HOME="$desktop_work/home/.config"
    export XDG_RUNTIME_DIR="$desktop_work/run"
    mkdir -p "$HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
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
