#!/bin/sh
# Control names in scripts: a name picks the control its number does, and a name that is unknown,
# ambiguous or another page's stops the script with a line that says so.
# usage: control_names_test.sh RUNNER
set -u
runner=$1
prog=$(mktemp -d) || exit 1
trap 'rm -rf "$prog"' EXIT
failed=0

# check LINE EXPECTED: the runner's last output line after `start` and LINE.
check() {
    got=$(printf 'start\n%s\n' "$1" | QT_QPA_PLATFORM=offscreen "$runner" --program-folder "$prog" - | tail -n 1)
    if [ "$got" != "$2" ]; then
        printf '%s\n  expected: %s\n  got:      %s\n' "$1" "$2" "$got"
        failed=1
    fi
}

check 'print main input' 'main 1110 kind=button text="input file name (*.d2v, *.avs)" enabled=1'
check 'print main Profile-Best-Radio' 'main 1132 kind=radio text="Best" enabled=1 checked=0'
check 'print panscan current-frame' 'panscan 1811 kind=edit text="0" enabled=0'
check 'print zones current-frame' 'zones 1603 kind=edit text="0" enabled=0'
check 'print matrix intra-first' 'matrix 2001 kind=edit text="8" enabled=0'
check 'click main inptu' 'error: line 2: unknown control main inptu'
check 'click main input-file-button-x' 'error: line 2: unknown control main input-file-button-x'
check 'print main slider' 'error: line 2: unknown control main slider'
check 'print matrix grid-size' 'error: line 2: unknown control matrix grid-size'
check 'click main profile' \
    'error: line 2: ambiguous control name main profile: profile-fast-radio (1130), profile-normal-radio (1131), profile-best-radio (1132)'
exit $failed
