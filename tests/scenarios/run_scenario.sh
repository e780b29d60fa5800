#!/bin/sh
# Runs one scenario script in a fresh, empty program folder and compares what it printed with the
# expected output beside it. The runner must end with 0 unless the expected output holds its error line.
# usage: run_scenario.sh RUNNER SCRIPT EXPECTED
set -u
runner=$1 script=$2 expected=$3
prog=$(mktemp -d) || exit 1
actual=$(mktemp) || exit 1
trap 'rm -rf "$prog" "$actual"' EXIT
SCENARIO_DIR=$(cd "$(dirname "$script")" && pwd)
export SCENARIO_DIR
: "${SCENARIO_OUT:=${TMPDIR:-/tmp}}"
export SCENARIO_OUT
mkdir -p "$SCENARIO_OUT"
QT_QPA_PLATFORM=offscreen "$runner" --program-folder "$prog" "$script" >"$actual"
rc=$?
if ! diff -u "$expected" "$actual"; then
    echo "scenario output differs: $script"
    exit 1
fi
if [ "$rc" -ne 0 ] && ! grep -q '^error: ' "$expected"; then
    echo "runner ended with $rc"
    exit 1
fi
exit 0
