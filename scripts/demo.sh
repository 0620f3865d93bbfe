#!/usr/bin/env bash
# Main job: a real launch of a demo install tree under Wine.
#
# Lays out build/demo (the launcher, launcher_config.json, version directory
# 1.0.0 with a demo client that opens a window), starts the loopback report
# collector, runs the launcher as a double-click would (plus a few switches to
# show that they reach the client) and prints a timeline of what started with
# which command line, the launcher's exit code and the reports the collector
# received.
#
#   bash scripts/demo.sh            a plain launch of version 1.0.0
#   bash scripts/demo.sh --switch   version 2.0.0 waits: the updater (played by
#                                   the demo client) switches to it before the
#                                   launch, then runs again after it
set -euo pipefail
mode=plain
case "${1:-}" in
  "") ;;
  --switch) mode=switch ;;
  *) echo "usage: $0 [--switch]" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" -eq 0 ]; then bash scripts/setup.sh; else sudo bash scripts/setup.sh; fi
bash scripts/build.sh --demo

source test/wine/env.sh
if [ "$CORVANE_TEST_ARCH" != i686 ]; then
  # See test/wine/env.sh: a machine that runs no 32-bit programs gets the
  # 64-bit build of the same launcher.
  echo "demo: this machine runs no 32-bit programs; running the $CORVANE_TEST_ARCH build"
fi
bin="$CORVANE_TEST_BUILD/bin"
port_file="$CORVANE_TEST_BUILD/test/demo/collector_port"
for f in "$bin/corvane_demo_launcher.exe" "$bin/test_child.exe" "$port_file"; do
  [ -f "$f" ] || { echo "demo: $f is missing (did the build make it?)" >&2; exit 1; }
done
port=$(tr -d '[:space:]' < "$port_file")

corvane_wine_up || { echo "demo: Wine has no display to run in" >&2; exit 1; }

demo="$root/build/demo"
version="1.0.0"
rm -rf "$demo"
mkdir -p "$demo/$version"
cp "$bin/corvane_demo_launcher.exe" "$demo/corvane_launcher.exe"
# The client's main executable is named after the product's short name.
client="$demo/$version/velmoraim.exe"
cp "$bin/test_child.exe" "$client"
# Stays up (with a visible window) past the launcher's 3 s early-death check;
# says it is ready (the event that ends the splash) 2.5 s after its start.
printf '{"window_title":"Velmora demo client","delay_ms":8000,"signal_after_ms":2500,"signal_event":"LAUNCHER_ANIMATION_{A8B79B2D-EC20-4E2B-A742-6C514A0AA4E0}"}\n' \
  > "$demo/$version/velmoraim.control.json"
records=("$demo/$version/velmoraim.record.jsonl")
# The splash, drawn by a script: animation.webp and config.json.
python3 scripts/make_demo_animation.py "$demo/$version/startup_animation"
if [ "$mode" = switch ]; then
  new="2.0.0"
  printf '{"cur_path":"%s","need_update":true,"new_path":"%s"}\n' "$version" "$new" \
    > "$demo/launcher_config.json"
  # The updater ships in the new version; its first run puts the new client in
  # place (the switch), its second is the after-launch run.
  mkdir -p "$demo/$new"
  cp -r "$demo/$version/startup_animation" "$demo/$new/"
  cp "$bin/test_child.exe" "$demo/$new/corvane_updater.exe"
  w() { winepath -w "$1" 2>/dev/null; }
  python3 - "$demo/$new/corvane_updater.control.json" "$(w "$bin/test_child.exe")" \
      "$(w "$demo/$new/velmoraim.exe")" "$(w "$demo/$version/velmoraim.control.json")" \
      "$(w "$demo/$new/velmoraim.control.json")" <<'PY'
import json, sys
out, client_src, client_dst, control_src, control_dst = sys.argv[1:]
runs = [{"copy_files": [[client_src, client_dst], [control_src, control_dst]], "delay_ms": 500}, {}]
json.dump({"runs": runs}, open(out, "w"))
PY
  records+=("$demo/$new/corvane_updater.record.jsonl" "$demo/$new/velmoraim.record.jsonl")
else
  printf '{"cur_path":"%s"}\n' "$version" > "$demo/launcher_config.json"
fi

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
echo "demo: running: wine corvane_launcher.exe --from=demo --Channel=desktop extra_arg --enable_log"
# The launcher's log goes to the user's temporary directory in the prefix.
find "$WINEPREFIX/drive_c/users" -name corvane_launcher.log -delete 2>/dev/null || true
set +e
(cd "$demo" && wine corvane_launcher.exe --from=demo --Channel=desktop extra_arg --enable_log)
rc=$?
set -e
log=$(find "$WINEPREFIX/drive_c/users" -name corvane_launcher.log 2>/dev/null | head -n 1)

# The programs record their starts as soon as they run; the after-launch
# updater is not waited for. Give Wine a moment.
for _ in $(seq 50); do [ -s "${records[-1]}" ] && break; sleep 0.1; done
sleep 1

python3 - "$collector_dir/requests.jsonl" "$rc" "$demo" "${log:-}" "${records[@]}" <<'PY'
import json, os, sys
requests_path, rc, demo, log_path = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
record_paths = sys.argv[5:]

def read_lines(path):
    try:
        with open(path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]
    except FileNotFoundError:
        return []

print()
print("=== timeline: what the launcher started")
starts = []
for path in record_paths:
    name = os.path.relpath(path, demo).replace(".record.jsonl", ".exe")
    for start in read_lines(path):
        starts.append((start.get("time_ms", 0), name, start))
if not starts:
    print("nothing was started")
first = min(t for t, _, _ in starts) if starts else 0
for time_ms, name, start in sorted(starts, key=lambda s: s[0]):
    print("+%5d ms  %s" % (time_ms - first, name))
    print("           command line: %s" % start.get("cmdline"))
    print("           directory:    %s" % start.get("cwd"))

print()
print("=== the launcher's own steps (from its log)")
# The moments that decide a launch: the client's start, the splash and its
# end, the launch check, the signature gate, the updater.
marks = ("LaunchApp:", "signature gate", "window height", "RecordAnimationShowTime",
         "client ended", "enable check launch result", "cmd: ", "updater exit code",
         "refused to start", "Launcher is running")
try:
    with open(log_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            if any(mark in line for mark in marks):
                print("  " + line.rstrip()[:200])
except (FileNotFoundError, IsADirectoryError):
    print("  no log")

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
