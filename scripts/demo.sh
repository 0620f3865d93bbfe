#!/usr/bin/env bash
# Main job: a real launch of a demo install tree under Wine.
#
# Lays out build/demo (the launcher, launcher_config.json, version directory
# 1.0.0 with a demo client that opens a window), starts the loopback report
# collector, runs the launcher as a double-click would (plus a few switches to
# show that they reach the client) and prints the client's command line, the
# launcher's exit code and the reports the collector received.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" -eq 0 ]; then bash scripts/setup.sh; else sudo bash scripts/setup.sh; fi
bash scripts/build.sh

source test/wine/env.sh
dist="$root/dist/demo"
if [ "$CORVANE_TEST_ARCH" != i686 ]; then
  # See test/wine/env.sh: a machine that runs no 32-bit programs gets the
  # 64-bit build of the same launcher.
  dist="$root/build/win64-dist/demo"
  echo "demo: this machine runs no 32-bit programs; running the $CORVANE_TEST_ARCH build"
fi
for f in corvane_launcher.exe demo_client.exe collector_port; do
  [ -f "$dist/$f" ] || { echo "demo: $dist/$f is missing (did the build install it?)" >&2; exit 1; }
done
port=$(tr -d '[:space:]' < "$dist/collector_port")

corvane_wine_up || { echo "demo: Wine has no display to run in" >&2; exit 1; }

demo="$root/build/demo"
version="1.0.0"
rm -rf "$demo"
mkdir -p "$demo/$version"
cp "$dist/corvane_launcher.exe" "$demo/corvane_launcher.exe"
printf '{"cur_path":"%s"}\n' "$version" > "$demo/launcher_config.json"
# The client's main executable is named after the product's short name.
client="$demo/$version/velmoraim.exe"
cp "$dist/demo_client.exe" "$client"
# Stays up (with a visible window) past the launcher's 3 s early-death check.
printf '{"window_title":"Velmora demo client","delay_ms":8000}\n' > "$demo/$version/velmoraim.control.json"

collector_dir="$root/build/demo-collector"
rm -rf "$collector_dir"
mkdir -p "$collector_dir"
eval "$(test/collector/collector.sh start --port "$port" --dir "$collector_dir")"
# Nothing stays up after the demo: collector, wineserver, display.
finish() {
  test/collector/collector.sh stop --keep >/dev/null 2>&1 || true
  corvane_wine_down
}
trap finish EXIT

echo "demo: install tree $demo"
echo "demo: running: wine corvane_launcher.exe --from=demo --Channel=desktop extra_arg"
set +e
(cd "$demo" && wine corvane_launcher.exe --from=demo --Channel=desktop extra_arg)
rc=$?
set -e

# The client records its start as soon as it runs; give Wine a moment.
for _ in $(seq 50); do [ -s "$demo/$version/velmoraim.record.jsonl" ] && break; sleep 0.1; done

python3 - "$demo/$version/velmoraim.record.jsonl" "$collector_dir/requests.jsonl" "$rc" <<'PY'
import json, sys
record_path, requests_path, rc = sys.argv[1], sys.argv[2], sys.argv[3]

def read_lines(path):
    try:
        with open(path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]
    except FileNotFoundError:
        return []

print()
print("=== client")
starts = read_lines(record_path)
if not starts:
    print("the client was not started")
for start in starts:
    print("command line:", start.get("cmdline"))
    print("directory:   ", start.get("cwd"))

print()
print("=== launcher exit code:", rc)

print()
print("=== reports received by the collector")
requests = read_lines(requests_path)
if not requests:
    print("none")
for request in requests:
    body = request.get("body", "")
    print("%s %s (%s)" % (request.get("method"), request.get("path"), request.get("tls_version", "")))
    print("body:", body)
    try:
        document = json.loads(body)
        for event in document.get("events", []):
            print("event:", event.get("event"))
            params = json.loads(event.get("params", "{}"))
            for key in sorted(params):
                print("  %-26s %s" % (key, json.dumps(params[key], ensure_ascii=False)))
    except ValueError:
        pass
    print()
PY
exit "$rc"
