#!/bin/sh
# `cmake --install` into a fresh prefix lays out the program folder, the link in bin/, the desktop file
# and the icons, and the installed programs run from there.
# usage: install_test.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() {
    echo "install layout: $*"
    exit 1
}
folder=$prefix/lib/mivogui
for program in mivogui Dazuzer_024.exe d2vindex; do
    [ -x "$folder/$program" ] || fail "no program $program"
done
[ -s "$folder/libmivo_progress_window.so" ] || fail "no progress window library beside the encoder"
for version in 06 10 11 12 13 15 16; do
    [ -s "$folder/DGDecode/DGDecode$version.dll" ] || fail "no decoder library $version"
done
for pair in flat16 notch mivolow; do
    [ -s "$folder/matrix/$pair.mtx" ] || fail "no matrix $pair"
done
[ ! -e "$folder/Mivo.ini" ] && [ ! -e "$folder/sample" ] || fail "a user's file was installed"
[ "$(readlink -f "$prefix/bin/mivogui")" = "$(readlink -f "$folder/mivogui")" ] || fail "bin/mivogui"
desktop=$prefix/share/applications/mivogui.desktop
grep -qx 'Exec=mivogui' "$desktop" && grep -qx 'Icon=mivogui' "$desktop" || fail "desktop file"
for size in 16 32 48 64 128 256; do
    [ -s "$prefix/share/icons/hicolor/${size}x$size/apps/mivogui.png" ] || fail "no icon of $size"
done
[ -s "$prefix/share/icons/hicolor/scalable/apps/mivogui.svg" ] || fail "no scalable icon"
# The installed indexer runs (its usage error) without the build tree.
set +e
"$folder/d2vindex" >/dev/null 2>&1
[ $? -eq 2 ] || fail "the installed d2vindex does not run"
exit 0
