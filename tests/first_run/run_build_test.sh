#!/bin/sh
# The run command's build needs neither GoogleTest nor Google Benchmark and still makes everything the
# first run starts: configured with scripts/run.sh's own options while both packages are hidden, it has
# the program, the encoder, the decoder library, the indexer and the sample maker, and nothing of the
# test tree.
# usage: run_build_test.sh SOURCE_DIR WORK_DIR
set -eu
src=$1 work=$2
options=$(sed -n 's|^"$top/scripts/build.sh" "$top/build" ||p' "$src/scripts/run.sh")
[ -n "$options" ] || { echo "scripts/run.sh has no build line"; exit 1; }
rm -rf "$work"
# shellcheck disable=SC2086
if ! cmake -S "$src" -B "$work" -G Ninja $options \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$work.log" 2>&1; then
    cat "$work.log"
    echo "run.sh's build ($options) does not configure without GoogleTest and Google Benchmark"
    exit 1
fi
targets=$(ninja -C "$work" -t targets all)
bad=0
for target in bin/mivogui bin/d2vindex bin-tools/mivo-sample mivo_encoder mivo_mpeg2dec; do
    printf '%s\n' "$targets" | grep -q "^$target:" || { echo "run.sh's build makes no $target"; bad=1; }
done
if grep -q '^build tests/' "$work/build.ninja"; then
    echo "run.sh's build builds from the test tree:"
    grep '^build tests/[^ :]*[^o]:' "$work/build.ninja" | cut -d: -f1 | head -5
    bad=1
fi
# A library named that no target of this build makes (one of the test tree's) reaches the linker as -l.
if grep -q -- '-lmivo_' "$work/build.ninja"; then
    echo "run.sh's build links libraries it does not build: $(grep -o -- '-lmivo_[a-z0-9_]*' "$work/build.ninja" | sort -u | tr '\n' ' ')"
    bad=1
fi
exit $bad
