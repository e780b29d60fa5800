#!/bin/sh
# Installs what is missing, builds the program folder and its companions (no test program) and starts
# the program. On the first run (no Mivo.ini in the program folder yet) it prepares a sample title for
# the program to open. Without a display (no DISPLAY or WAYLAND_DISPLAY) it runs under xvfb-run.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build" -DMIVO_TESTS=OFF -DMIVO_BENCHMARKS=OFF
"$top/scripts/prepare_sample.sh" "$top/build/bin" "$top/build/bin-tools/mivo-sample"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a "$top/build/bin/mivogui"
fi
exec "$top/build/bin/mivogui"
