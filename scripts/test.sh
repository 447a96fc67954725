#!/bin/sh
# Builds and runs every test.  scripts/test.sh [release|sanitize]
set -eu
cd "$(dirname "$0")/.."
mode="${1:-release}"
scripts/build.sh "$mode"
dir=build
[ "$mode" = sanitize ] && dir=build-sanitize
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$dir" && ctest -j "$(nproc)" --output-on-failure
