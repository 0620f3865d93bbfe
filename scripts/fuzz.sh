#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, address + undefined-behaviour
# sanitizers) and runs each for SECONDS (default 60), starting from the seeds
# in fuzz/corpus/<target> and the corpus kept from earlier runs.
#   bash scripts/fuzz.sh [SECONDS] [TARGET ...]
# Prints executions per target; exits non-zero when a target found a crash,
# a leak or a broken property (its input is kept in build/fuzz/findings/).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
shift || true
out="$root/build/fuzz"
[ -f build/deps/json/nlohmann/json.hpp ] || bash scripts/setup.sh >/dev/null || exit 1
if [ ! -f "$out/build.ninja" ]; then
  cmake -S fuzz -B "$out" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    >/dev/null || exit 1
fi
cmake --build "$out" >/dev/null || { cmake --build "$out"; exit 1; }

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=()
  for f in fuzz/*_fuzzer.cc; do targets+=("$(basename "$f" _fuzzer.cc)"); done
fi
status=0
rm -rf "$out/findings"
mkdir -p "$out/findings"
# run_target T: one target for SECONDS; its verdict goes to $out/T.verdict.
run_target() {
  local t=$1 corpus="$out/corpus/$1" log="$out/$1.log" rc execs
  mkdir -p "$corpus"
  "$out/${t}_fuzzer" "$corpus" "fuzz/corpus/$t" -max_total_time="$seconds" \
    -print_final_stats=1 -artifact_prefix="$out/findings/$t-" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ $rc -ne 0 ]; then
    { echo "fuzz $t: FINDING after ${execs:-?} executions (exit $rc), see $log"
      grep -m5 -E 'ERROR|runtime error|property broken' "$log"; } > "$out/$t.verdict"
    return 1
  fi
  echo "fuzz $t: ${execs:-?} executions in ${seconds} s, no finding" > "$out/$t.verdict"
}

# As many targets at once as there are cores; each keeps its whole time.
jobs_at_once=$(nproc 2>/dev/null || echo 1)
pids=()
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_at_once" ]; do wait -n || true; done
  run_target "$t" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
for t in "${targets[@]}"; do cat "$out/$t.verdict"; done
exit $status
