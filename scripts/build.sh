#!/usr/bin/env bash
# Builds both deliverables for Windows (and the addon for Linux) and lays out dist/.
#   bash scripts/build.sh --demo   only what scripts/demo.sh runs
# On a machine that cannot run 32-bit programs the tests need a 64-bit build of
# the same sources as well (see test/wine/env.sh); it is installed into
# build/win64-dist/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source test/wine/env.sh

# configure_tree ARCH DIR: configure once.
configure_tree() {
  local arch="$1" build="$2"
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja \
      -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
      -DCORVANE_DEPS_PREFIX="$root/build/deps/$arch" \
      -DCMAKE_CROSSCOMPILING_EMULATOR="$root/test/wine/run.sh" >/dev/null
  fi
}

# build_tree ARCH DIR DIST: configure once, build, install.
build_tree() {
  local arch="$1" build="$2" dist="$3"
  configure_tree "$arch" "$build"
  cmake --build "$build"
  cmake --install "$build" --prefix "$dist" >/dev/null
}

# --demo: only what the main job runs (the demo product's launcher, the
# program that plays its client, the collector's certificate tool), in the
# tree this machine runs; they stay in $CORVANE_TEST_BUILD/bin.
if [ "${1:-}" = --demo ]; then
  configure_tree "$CORVANE_TEST_ARCH" "$CORVANE_TEST_BUILD"
  cmake --build "$CORVANE_TEST_BUILD" --target corvane_demo_launcher test_child collector_root_cert
  exit 0
fi

build_tree i686 "$root/build/win32" "$root/dist"
if [ "$CORVANE_TEST_ARCH" = x86_64 ]; then
  echo "build: this machine runs no 32-bit programs; building the 64-bit test tree too"
  build_tree x86_64 "$root/build/win64" "$root/build/win64-dist"
fi
if [ -x "$root/scripts/build_addon.sh" ]; then
  "$root/scripts/build_addon.sh"
fi
echo "build: dist/ ready"
