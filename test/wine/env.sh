# Sourced by the build and test scripts: one private Wine prefix under build/,
# one persistent wineserver and one Xvfb display for the whole run.
corvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$corvane_root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
export CORVANE_DISPLAY_NUM="${CORVANE_DISPLAY_NUM:-91}"
# Set at once: the first Wine program of a prefix starts its desktop process,
# and a desktop started without a display leaves every later window failing.
export DISPLAY="${DISPLAY:-:$CORVANE_DISPLAY_NUM}"

corvane_wine_up() {
  if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    export DISPLAY=":$CORVANE_DISPLAY_NUM"
    if [ ! -e "/tmp/.X11-unix/X$CORVANE_DISPLAY_NUM" ]; then
      Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$CORVANE_DISPLAY_NUM" ] && break; sleep 0.1; done
    fi
  fi
  if [ ! -f "$WINEPREFIX/.corvane-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w
    # node.exe refuses anything older than Windows 8.1.
    winecfg -v win10 >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.corvane-ready"
  fi
  wineserver -p >/dev/null 2>&1 || true
}

corvane_wine_down() {
  wineserver -k >/dev/null 2>&1 || true
}
