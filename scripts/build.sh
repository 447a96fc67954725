#!/bin/sh
# Configures and builds the project.
#   scripts/build.sh [release|sanitize] -> build/ or build-sanitize/
set -eu
cd "$(dirname "$0")/.."
mode="${1:-release}"
case "$mode" in
  release)  dir=build;          flags="-DCMAKE_BUILD_TYPE=RelWithDebInfo" ;;
  sanitize) dir=build-sanitize; flags="-DCMAKE_BUILD_TYPE=Debug -DCT_ASAN=ON -DCT_UBSAN=ON -DCT_BUILD_BENCH=OFF" ;;
  *) echo "usage: $0 [release|sanitize]" >&2; exit 2 ;;
esac
# A compiler cache, where installed, makes rebuilds of other checkouts cheap.
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
cmake -S . -B "$dir" -G Ninja -DCT_WERROR=ON $flags $launcher >/dev/null
cmake --build "$dir" -j "$(nproc)"
