#!/bin/sh
# Installs what is missing, builds everything and runs every test: once plain, once more under
# AddressSanitizer and UndefinedBehaviorSanitizer (a second build folder). Any failure or sanitizer
# report fails the run.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" --tests
jobs=$(nproc)

# The tests are named: build/ may come from scripts/run.sh, which leaves them out.
"$top/scripts/build.sh" "$top/build" -DMIVO_TESTS=ON -DMIVO_BENCHMARKS=ON
(cd "$top/build" && ctest --output-on-failure --parallel "$jobs" --timeout 300)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
"$top/scripts/build.sh" "$top/build-asan" -DMIVO_SANITIZE=ON -DMIVO_TESTS=ON -DMIVO_BENCHMARKS=OFF
(cd "$top/build-asan" && ctest --output-on-failure --parallel "$jobs" --timeout 600)
