#!/bin/sh
# The encoder back end reads its frames through the source layers alone: it carries nothing of the
# program's control model and no Qt. Its progress window is the one library of the program folder that
# links Qt Widgets.
# usage: back_end_links_test.sh PROGRAM_FOLDER
set -eu
folder=$1
backend=$folder/Dazuzer_024.exe
window=$folder/libmivo_progress_window.so
fail() {
    echo "back end links: $*"
    exit 1
}
[ -x "$backend" ] || fail "no back end $backend"
[ -s "$window" ] || fail "no progress window library $window"
symbols=$(nm -C "$backend")
# A binary without symbols would pass the test below unseen.
echo "$symbols" | grep -q 'mivo::encoder::' || fail "nm shows no symbols of the back end"
count=$(echo "$symbols" | grep -c 'ControlModel' || true)
[ "$count" -eq 0 ] || fail "$count ControlModel symbols in the back end"
libraries=$(ldd "$backend")
echo "$libraries" | grep -q 'libavcodec' || fail "ldd lists none of the back end's libraries"
if echo "$libraries" | grep -qi 'libQt'; then
    fail "the back end links Qt: $(echo "$libraries" | grep -i 'libQt' | tr '\n' ' ')"
fi
ldd "$window" | grep -q 'libQt6Widgets' || fail "the progress window does not link Qt Widgets"
exit 0
