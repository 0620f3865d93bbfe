#!/usr/bin/env bash
# Launcher benchmarks under Wine: the start-up animation's replay CPU share
# and time to its first frame, against a bare layered window pushing one
# prepared bitmap; the time from a driver's process creation to the client's
# entry through the launcher, against a bare stub and a direct start. Each
# baseline is measured in the same run. Prints ratios; never fails on speed.
#   bench_launcher.sh [ROUNDS]   launch rounds, 25 when not given
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -d build/win32 ] || bash scripts/build.sh
source test/wine/env.sh
rounds=${1:-25}
cmake --build "$CORVANE_TEST_BUILD" --target animation_bench launch_bench >/dev/null
corvane_wine_up || { echo "bench: Wine has no display to run in" >&2; exit 1; }
trap corvane_wine_down EXIT
bin="$CORVANE_TEST_BUILD/bin"
wine "$bin/animation_bench.exe" 2>/dev/null | grep -v '^\['
echo
wine "$bin/launch_bench.exe" "$(winepath -w "$bin/corvane_launcher.exe")" \
  "$(winepath -w "$bin/corvane_demo_launcher.exe")" "$rounds" </dev/null 2>/dev/null | grep -v '^\['
