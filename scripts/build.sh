#!/bin/sh
# Configures and builds the project.
#   scripts/build.sh [release|sanitize] -> build/ or build-sanitize/
# Both keep line tables only (-g1): backtraces and sanitizer reports still name
# file and line, and the builds take about a third less time than with full
# debug information, which keeps CI's two builds well inside its budget.
set -eu
cd "$(dirname "$0")/.."
mode="${1:-release}"
case "$mode" in
  release)  dir=build
            set -- -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" ;;
  sanitize) dir=build-sanitize
            set -- -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g1" -DCT_ASAN=ON -DCT_UBSAN=ON \
              -DCT_BUILD_BENCH=OFF ;;
  *) echo "usage: $0 [release|sanitize]" >&2; exit 2 ;;
esac
# A compiler cache, where installed, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null 2>&1; then
  set -- "$@" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
fi
cmake -S . -B "$dir" -G Ninja -DCT_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
