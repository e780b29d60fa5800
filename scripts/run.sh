#!/bin/sh
# Installs what is missing, builds the program folder and starts the program. Without a display
# (no DISPLAY or WAYLAND_DISPLAY) it runs under xvfb-run.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build" -DMIVO_BENCHMARKS=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a "$top/build/bin/mivogui"
fi
exec "$top/build/bin/mivogui"
