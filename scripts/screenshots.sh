#!/usr/bin/env bash
# Makes the README's screenshots from real runs under Xvfb: the demo's splash
# while the client starts, and the error dialog of a tree whose client is
# missing. Writes docs/screenshots/{splash,error_dialog}.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
command -v import >/dev/null ||
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends imagemagick >/dev/null
bash scripts/build.sh >/dev/null

source test/wine/env.sh
dist="$root/dist/demo"
[ "$CORVANE_TEST_ARCH" = i686 ] || dist="$root/build/win64-dist/demo"
corvane_wine_up || { echo "screenshots: Wine has no display to run in" >&2; exit 1; }
trap corvane_wine_down EXIT
out="$root/docs/screenshots"
mkdir -p "$out"
shot() { import -display "$DISPLAY" -window root -gravity center -crop "$2+0+0" +repage "$out/$1"; }

tree="$root/build/screenshots"
rm -rf "$tree"
mkdir -p "$tree/1.0.0"
cp "$dist/corvane_launcher.exe" "$tree/"
printf '{"cur_path":"1.0.0"}\n' > "$tree/launcher_config.json"
python3 scripts/make_demo_animation.py "$tree/1.0.0/startup_animation"
cp "$dist/demo_client.exe" "$tree/1.0.0/velmoraim.exe"
printf '{"delay_ms":6000,"signal_after_ms":5000,"signal_event":"LAUNCHER_ANIMATION_{A8B79B2D-EC20-4E2B-A742-6C514A0AA4E0}"}\n' \
  > "$tree/1.0.0/velmoraim.control.json"
(cd "$tree" && wine corvane_launcher.exe) &
sleep 3
shot splash.png 480x280
wait

# No client in the version directory: the launch fails and the dialog offers help.
rm "$tree/1.0.0/velmoraim.exe"
(cd "$tree" && wine corvane_launcher.exe) &
for _ in $(seq 40); do
  xwininfo -display "$DISPLAY" -root -tree 2>/dev/null | grep -q '"[^"]*" .*[0-9]x[0-9]' && break
  sleep 0.25
done
sleep 6
shot error_dialog.png 640x320
wineserver -k 2>/dev/null || true
wait || true
echo "screenshots: $out/splash.png $out/error_dialog.png"
