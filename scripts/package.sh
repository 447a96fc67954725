#!/bin/sh
# Builds the Debian packages (culinarotable, kivserver, and culinarotable-desk
# when the window is built) into dist/.
#   scripts/package.sh            a Release build in build-package/
#   scripts/package.sh BUILD_DIR  packages an existing build folder as it is
set -eu
cd "$(dirname "$0")/.."
if [ $# -ge 1 ]; then
  dir=$1
else
  dir=build-package
  launcher=""
  command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCT_BUILD_TESTS=OFF \
    -DCT_BUILD_BENCH=OFF $launcher >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
mkdir -p dist
cpack -G DEB --config "$dir/CPackConfig.cmake" -B dist
rm -rf dist/_CPack_Packages
ls -l dist/*.deb
