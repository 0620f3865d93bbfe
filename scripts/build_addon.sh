#!/usr/bin/env bash
# Builds orvex.node for Windows x64 (MinGW-w64) and Linux x64 (host g++),
# with the test-only substitute SDK libraries and the benchmark's baseline,
# and installs each to dist/addon/<platform>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -f addon/node_modules/node-addon-api/napi.h ] || bash scripts/setup_addon.sh

build_one() {
  local dir=$1 platform=$2; shift 2
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S addon -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DORVEX_BUILD_BENCH=ON "$@" >/dev/null
  fi
  cmake --build "$dir"
  rm -rf "dist/addon/$platform"
  cmake --install "$dir" --prefix "dist/addon/$platform" >/dev/null
}

build_one build/addon-win64 win-x64 \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake"
build_one build/addon-linux linux-x64 -DCMAKE_CXX_COMPILER=g++
echo "build_addon: dist/addon/win-x64 and dist/addon/linux-x64 ready"
