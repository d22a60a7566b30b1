#!/usr/bin/env bash
# `cmake --install` puts the program, its desktop entry and the icon where a Linux
# desktop looks for them.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/torven" || { echo "no bin/torven"; exit 1; }
entry="$prefix/share/applications/torven.desktop"
grep -qx 'Exec=torven' "$entry" && grep -qx 'Icon=torven' "$entry" && grep -qx 'Name=TORVEN' "$entry" ||
    { echo "desktop entry:"; cat "$entry"; exit 1; }
for size in 16 32 48 256; do
    [ "$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${size}x$size/apps/torven.png")" = \
        "${size}x$size" ] ||
        { echo "no ${size}x$size icon"; exit 1; }
done
echo "ok"
