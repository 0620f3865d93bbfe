#!/usr/bin/env bash
# Main job: builds if needed and starts the launcher under Wine with logging on,
# then shows what it logged.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "$(id -u)" -eq 0 ]; then bash scripts/setup.sh; else sudo bash scripts/setup.sh; fi
bash scripts/build.sh
source test/wine/env.sh
corvane_wine_up
tmp_unix=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null)
log="$tmp_unix/corvane_launcher.log"
rm -f "$log"
set +e
wine dist/launcher/corvane_launcher.exe --enable_log
rc=$?
set -e
echo "launcher exit code: $rc"
echo "--- $log"
cat "$log" 2>/dev/null || echo "(no log written)"
