#!/usr/bin/env bash
# Builds both deliverables for Windows (and the addon for Linux) and lays out dist/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build="$root/build/win32"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
    -DCORVANE_DEPS_PREFIX="$root/build/deps/i686" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/test/wine/run.sh" >/dev/null
fi
cmake --build "$build"
cmake --install "$build" --prefix "$root/dist" >/dev/null
if [ -x "$root/scripts/build_addon.sh" ]; then
  "$root/scripts/build_addon.sh"
fi
echo "build: dist/ ready"
