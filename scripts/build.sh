#!/bin/sh
# Configures and builds one build folder. usage: build.sh FOLDER [cmake options...]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
folder=$1
shift
cmake -S "$top" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$folder" --parallel "$(nproc)"
