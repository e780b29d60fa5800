#!/bin/sh
# Installs the Debian packages the build and the program need (Debian 12, as root); with --tests also
# those of the tests, the benchmarks and the fuzz targets. The disc steps after an encode run ffmpeg and
# mplex (mjpegtools); the disc tests read discs with lsdvd and libdvdread, the image the back end
# writes with isoinfo (genisoimage), and compare the folder with dvdauthor's of the same program stream.
# usage: install-deps.sh [--tests]
set -eu
packages="build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev
  xvfb xauth fonts-dejavu-core
  ffmpeg mjpegtools"
case "${1:-}" in
    --tests)
        packages="$packages
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  ffmpeg dvdauthor parallel lsdvd genisoimage libdvdread-dev" ;;
    "") ;;
    *) echo "usage: install-deps.sh [--tests]" >&2; exit 2 ;;
esac
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    # shellcheck disable=SC2086
    apt-get install -y --no-install-recommends $missing
fi
