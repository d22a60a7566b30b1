# Sourced by the scripts that run the Windows build: the cross-build, and a private
# desktop (see private_desktop.sh) with a Wine prefix in the build folder whose
# stand-in fonts include a Japanese one for the menu's captions.
#
#   build_for_windows BUILD [cmake --build option...]
#   start_wine_desktop BUILD   sets what start_private_desktop sets, and WINEPREFIX; its
#                              Wine server runs until the end
#   start_wine_server          that server again, after `wineserver -k`
#   end_wine_desktop           ends Wine's server, then the desktop

source "$(dirname "${BASH_SOURCE[0]}")/private_desktop.sh"

build_for_windows() {
    local root
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    cmake -S "$root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
    cmake --build "$@" -j2
}

start_wine_desktop() {
    local font
    export WINEPREFIX="$1/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    start_private_desktop -br || return 1  # -br: a black desktop around the clock
    start_wine_server
    wineboot -i >"$1/wineboot.log" 2>&1
    for font in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS UI Gothic"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d IPAGothic /f >/dev/null
    done
}

# A server that stays between the programs: one that ends a few seconds after the last
# resets the next program that connects just then ("recvmsg: Connection reset by peer").
start_wine_server() {
    mkdir -p "$WINEPREFIX"
    wineserver -p
}

end_wine_desktop() {
    wineserver -k 2>/dev/null || true
    end_private_desktop
}
