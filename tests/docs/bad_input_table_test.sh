#!/bin/sh
# Every row of the bad-input table (doc/bad-input.md) names at least one test, and every test it names
# is a test of this build (so a renamed or deleted test cannot leave a row without one).
# usage: bad_input_table_test.sh PAGE BUILD_DIR
set -eu
page=$1 build=$2
known=$(mktemp)
trap 'rm -f "$known"' EXIT
ctest --test-dir "$build" -N | sed -n 's/^ *Test *#[0-9]*: //p' >"$known"
rows=0 bad=0
table=$(sed -n '/^#* *What the program does with bad input/,/^## /p' "$page" | grep '^|' | tail -n +3)
while IFS= read -r row; do
    rows=$((rows + 1))
    names=$(printf '%s\n' "$row" | awk -F'|' '{print $4}' | grep -o '`[A-Za-z0-9_]*\.[A-Za-z0-9_]*`' | tr -d '`' || true)
    if [ -z "$names" ]; then
        echo "no test in row: $row"
        bad=1
    fi
    for name in $names; do
        grep -qx "$name" "$known" || { echo "not a test of this build: $name"; bad=1; }
    done
done <<ROWS
$table
ROWS
[ "$rows" -ge 10 ] || { echo "the table has only $rows rows"; bad=1; }
exit $bad
