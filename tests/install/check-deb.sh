#!/bin/sh
# Builds the Debian package into OUT_DIR (as tarvik.deb, for the checks that follow), installs
# it into an empty dpkg root and removes it again; nothing may be left behind but the folders
# dpkg itself keeps.
# usage: check-deb.sh BUILD_DIR OUT_DIR
set -eu
build=$1 out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -rf "$out"
mkdir -p "$out"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null)
built=$(ls "$work"/out/*.deb)
echo "built $(basename "$built")"
deb="$out/tarvik.deb"
cp "$built" "$deb"

contents=$(dpkg-deb --contents "$deb")
for file in ./usr/bin/tarvik ./usr/bin/tarvik-asm ./usr/share/applications/tarvik.desktop \
            ./usr/share/mime/packages/tarvik.xml ./usr/share/icons/hicolor/scalable/apps/tarvik.svg \
            ./usr/share/man/man1/tarvik.1.gz ./usr/share/man/man1/tarvik-asm.1.gz \
            ./usr/share/doc/tarvik/copyright ./usr/share/doc/tarvik/changelog.gz \
            ./usr/share/tarvik/examples/blink.qel; do
    echo "$contents" | grep -q " $file\$" || { echo "not in the package: $file"; exit 1; }
done
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
echo "$depends" | grep -q libqt6widgets6 || { echo "the Qt widgets library is not a dependency"; exit 1; }

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
dpkg --root="$root" --force-not-root --force-depends --force-script-chrootless -i "$deb" >/dev/null
[ -x "$root/usr/bin/tarvik-asm" ] || { echo "tarvik-asm was not installed"; exit 1; }
dpkg --root="$root" --force-not-root --force-depends --force-script-chrootless --purge tarvik >/dev/null
left=$(find "$root" -type f ! -path "$root/var/lib/dpkg/*")
if [ -n "$left" ]; then
    echo "left behind after removal:"
    echo "$left"
    exit 1
fi
echo "installs and removes cleanly"
