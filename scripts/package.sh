#!/usr/bin/env bash
# Builds the packages into dist/, named after the version in CMakeLists.txt's project():
#   torven_<version>_amd64.deb      the Linux clock for Debian 12
#   torven-<version>-win64.msi      the Windows clock, installed per user (wixl)
#   torven-<version>-win64.zip      torven.exe and a short readme
# TORVEN_SKIP_SETUP=1 does not install packages (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "${TORVEN_SKIP_SETUP:-0}" != 1 ] &&
    ! dpkg -s qt6-base-dev libgtk-layer-shell-dev g++-mingw-w64-x86-64-posix wixl zip dpkg-dev \
        >/dev/null 2>&1; then
    bash scripts/setup.sh
fi
# Debian's hardening flags, as its own packages are built.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
    cmake -S . -B build-pkg/linux -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVEN_BUILD_TESTS=OFF \
    >/dev/null
cmake --build build-pkg/linux -j2

cached() { sed -n "s/^$1:[A-Z]*=//p" "$2/CMakeCache.txt"; }
version=$(cached CMAKE_PROJECT_VERSION build-pkg/linux)
# The project has no domain of its own: the address is under .invalid, which claims none.
maintainer='The TORVEN developers <torven@torven.invalid>'
# The last commit's time stamps every file, so the same sources give the same packages.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p dist
rm -f dist/torven[_-]"$version"[_-]*

# Debian: the install tree, the files Debian policy asks for, dependencies from the binary.
deb=$work/deb
DESTDIR=$deb cmake --install build-pkg/linux --prefix /usr --strip >/dev/null
doc=$deb/usr/share/doc/torven
install -Dm644 packaging/debian/copyright "$doc/copyright"
# The changelog entry is CHANGELOG.md's section for this version, its items as Debian's.
changes=$(awk -v version="$version" '/^## / { this = $2 == version; next }
    this && /^- / { print "  * " substr($0, 3) } this && /^  [^ ]/ { print "  " $0 }' CHANGELOG.md)
[ -n "$changes" ] || { echo "CHANGELOG.md says nothing of $version" >&2; exit 1; }
printf 'torven (%s) unstable; urgency=medium\n\n%s\n\n -- %s  %s\n' "$version" "$changes" \
    "$maintainer" "$(date -R -u -d "@$SOURCE_DATE_EPOCH")" | gzip -9n >"$doc/changelog.gz"
gzip -9n "$deb/usr/share/man/man1/torven.1"
mkdir -p "$work/debian" "$deb/DEBIAN"
printf 'Source: torven\n\nPackage: torven\nArchitecture: amd64\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O "$deb/usr/bin/torven" "$deb/usr/libexec/torven/torven-wayland" |
    sed -n 's/^shlibs:Depends=//p')
cat >"$deb/DEBIAN/control" <<EOF
Package: torven
Version: $version
Architecture: amd64
Maintainer: $maintainer
Installed-Size: $(du -sk "$deb/usr" | cut -f1)
Depends: $depends
Recommends: fonts-ipafont-gothic
Section: x11
Priority: optional
Description: small round analog desktop clock
 TORVEN shows one frameless window cut to a circle: a clock face with hour
 and minute marks, a frame ring and three hands, and a digital readout of the
 date and the time inside it. Drag it with the left mouse button; the right
 button opens its menu (always in front, colours by the hour of the day, four
 size steps, colours, reset). It remembers its place, size and colours.
 .
 In a Wayland session it sits on the desktop as a layer surface where the
 compositor offers one (sway, KDE Plasma), else it runs through XWayland, else
 as a plain Wayland window (GTK 3).
 .
 The menu is in Japanese; the Japanese font is recommended for it.
EOF
(cd "$deb" && find usr -type f -exec md5sum {} + | sort -k2 >DEBIAN/md5sums)
chmod -R go-w "$deb"
find "$deb" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group --build "$deb" "dist/torven_${version}_amd64.deb" >/dev/null

# Windows: the stripped program with a readme and the licence in CRLF, as a zip and as a
# per-user MSI.
cmake -S . -B build-pkg/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVEN_BUILD_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build-pkg/win32 -j2
win=$work/win/TORVEN
mkdir -p "$win"
x86_64-w64-mingw32-strip -o "$win/torven.exe" build-pkg/win32/platform/win32/torven.exe
sed 's/$/\r/' packaging/windows/README.txt >"$win/README.txt"
sed 's/$/\r/' LICENSE >"$win/LICENSE.txt"
find "$win" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$work/win" && zip -X -q -r "$root/dist/torven-$version-win64.zip" TORVEN)
cp "$(cached TORVEN_ICON_ICO build-pkg/win32)" "$win/torven.ico"
# wixl takes the files the descriptor names from the folder it runs in.
(cd "$win" && wixl -a x64 -D Version="$version" -o "$root/dist/torven-$version-win64.msi" \
    "$root/packaging/windows/torven.wxs")

ls -l dist/torven[_-]"$version"[_-]*
