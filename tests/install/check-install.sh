#!/bin/sh
# Installs into a fresh prefix and checks that every file is there and that the desktop
# pieces are accepted by the tools that read them.
# usage: check-install.sh BUILD_DIR MIME_PROBE
set -eu
build=$1 probe=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
for file in \
    bin/tarvik \
    bin/tarvik-asm \
    share/applications/tarvik.desktop \
    share/icons/hicolor/scalable/apps/tarvik.svg \
    share/icons/hicolor/scalable/mimetypes/application-x-tarvik-program.svg \
    share/mime/packages/tarvik.xml \
    share/man/man1/tarvik.1.gz \
    share/man/man1/tarvik-asm.1.gz \
    share/doc/tarvik/copyright \
    share/tarvik/examples/blink.qel \
    share/tarvik/doc/guide.md \
    share/tarvik/doc/images/main-window.png
do
    if [ ! -s "$prefix/$file" ]; then
        echo "missing: $file"
        status=1
    fi
done
for program in bin/tarvik bin/tarvik-asm; do
    [ -x "$prefix/$program" ] || { echo "not executable: $program"; status=1; }
done
[ "$status" = 0 ] || exit 1

"$prefix/bin/tarvik-asm" --help >/dev/null
for example in "$prefix"/share/tarvik/examples/*.qel; do
    "$prefix/bin/tarvik-asm" --list "$example" >/dev/null || { echo "does not assemble: $example"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/tarvik.desktop"

# The database built from the package file must know .qel files by name and by content.
out=$(update-mime-database -V "$prefix/share/mime" 2>&1) || { echo "$out"; exit 1; }
if echo "$out" | grep -qi -e warning -e error; then
    echo "$out"
    exit 1
fi
# The opening of an empty program: marker, no lines, marker, no comments, marker.
printf '\020\000\000\000\000\000\000\000\020\000\000\000\000\000\000\000\020\000\000\000' \
    >"$prefix/program.qel"
cp "$prefix/program.qel" "$prefix/program-without-extension"
printf 'PROGRAM\n' >"$prefix/notes-without-extension"
answer=$(XDG_DATA_HOME="$prefix/share" XDG_DATA_DIRS="$prefix/share:/usr/share" \
         "$probe" "$prefix/program.qel" "$prefix/program-without-extension" "$prefix/notes-without-extension")
expected="application/x-tarvik-program application/x-tarvik-program
application/x-tarvik-program application/x-tarvik-program
text/plain text/plain"
if [ "$answer" != "$expected" ]; then
    echo "MIME types seen:"
    echo "$answer"
    exit 1
fi
echo "installed and recognised"
