#!/usr/bin/env bash
# Launcher benchmarks under Wine: the start-up animation's replay CPU share
# and time to its first frame, against a bare layered window pushing one
# prepared bitmap, measured in the same run. Prints ratios; never fails on
# speed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -d build/win32 ] || bash scripts/build.sh
source test/wine/env.sh
cmake --build "$CORVANE_TEST_BUILD" --target animation_bench >/dev/null
corvane_wine_up || { echo "bench: Wine has no display to run in" >&2; exit 1; }
trap corvane_wine_down EXIT
wine "$CORVANE_TEST_BUILD/bin/animation_bench.exe" 2>/dev/null | grep -v '^\['
