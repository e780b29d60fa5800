#!/bin/sh
# The first run as the README's run command does it, in a fresh copy of the program folder: the sample
# is prepared, a second preparation leaves Mivo.ini as it is, and the program, started on a real X
# display under xvfb-run, shows the sample (compared with reference pictures by the scenario).
# usage: first_run_test.sh TOP PROGRAM_DIR MIVO_SAMPLE RUNNER
set -eu
top=$1 built=$2 maker=$3 runner=$4
here=$(cd "$(dirname "$0")" && pwd)
prog=$(mktemp -d)
actual=$(mktemp)
trap 'rm -rf "$prog" "$actual"' EXIT
for part in mivogui Dazuzer_024.exe d2vindex DGDecode matrix; do
    cp -r "$built/$part" "$prog/"
done
sh "$top/scripts/prepare_sample.sh" "$prog" "$maker"
test -s "$prog/sample/sample.m2v" && test -s "$prog/sample/sample.d2v"
printf '*BITRATE          5000\r\n' >"$prog/Mivo.ini"
sh "$top/scripts/prepare_sample.sh" "$prog" "$maker"
if [ "$(cat "$prog/Mivo.ini")" != "$(printf '*BITRATE          5000\r\n')" ]; then
    echo "an existing Mivo.ini was touched"
    exit 1
fi
rm "$prog/Mivo.ini"
sh "$top/scripts/prepare_sample.sh" "$prog" "$maker"

SCENARIO_DIR=$here
: "${SCENARIO_OUT:=${TMPDIR:-/tmp}}"
export SCENARIO_DIR SCENARIO_OUT
mkdir -p "$SCENARIO_OUT"
# The X keyboard library hands strndup names that are not NUL-terminated within their bound, which the
# sanitizers' strict string checks take for an overflow inside that library; those checks stay on for
# everything else.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
    export ASAN_OPTIONS
fi
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$runner" --program-folder "$prog" "$here/first_run.scn" >"$actual"
diff -u "$here/first_run.out" "$actual"
