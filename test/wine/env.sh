# Sourced by the build and test scripts: one private Wine prefix under build/,
# one persistent wineserver and one Xvfb display for the whole run.
corvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$corvane_root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
export CORVANE_DISPLAY_NUM="${CORVANE_DISPLAY_NUM:-91}"

# Some machines of this kind run 64-bit user code only: the kernel refuses i386
# programs (ENOEXEC), so Wine's 32-bit loader cannot start at all. There the
# Windows tests and the demo run on a 64-bit build of the same sources under
# wine64; the shipped 32-bit launcher is still built and its image checked.
corvane_host_runs_i386() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
if corvane_host_runs_i386; then
  export CORVANE_TEST_ARCH=i686
  export CORVANE_TEST_BUILD="$corvane_root/build/win32"
else
  export CORVANE_TEST_ARCH=x86_64
  export CORVANE_TEST_BUILD="$corvane_root/build/win64"
  export WINELOADER=/usr/lib/wine/wine64
  # "wine" (and "wine-stable", which wineboot and winecfg call) would try the
  # 32-bit loader first.
  corvane_wine64_shim="$corvane_root/build/wine64-only"
  if [ ! -x "$corvane_wine64_shim/wine" ]; then
    mkdir -p "$corvane_wine64_shim"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' > "$corvane_wine64_shim/wine"
    chmod +x "$corvane_wine64_shim/wine"
    ln -sf wine "$corvane_wine64_shim/wine-stable"
  fi
  case ":$PATH:" in
    *":$corvane_wine64_shim:"*) ;;
    *) export PATH="$corvane_wine64_shim:$PATH" ;;
  esac
fi
# The display the last corvane_wine_up settled on, for programs run on their own.
corvane_display_file="$corvane_root/build/xdisplay"
corvane_xvfb_pid_file="$corvane_root/build/xvfb.pid"
# Set at once: the first Wine program of a prefix starts its desktop process,
# and a desktop started without a display leaves every later window failing.
if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(cat "$corvane_display_file" 2>/dev/null || echo ":$CORVANE_DISPLAY_NUM")
fi
export DISPLAY

corvane_display_answers() {
  # A stopped or wedged server accepts the connection and never replies.
  DISPLAY="$1" timeout 5 xdpyinfo >/dev/null 2>&1
}

# A server killed without its clean-up leaves its lock and socket behind; both
# go when the lock names a process that is gone, so the number can be reused.
corvane_clear_stale_display() {
  local num="$1" lock="/tmp/.X$1-lock" pid
  [ -e "$lock" ] || { rm -f "/tmp/.X11-unix/X$num"; return 0; }
  pid=$(tr -dc '0-9' < "$lock" 2>/dev/null)
  if [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null; then
    rm -f "$lock" "/tmp/.X11-unix/X$num"
  fi
}

# Starts Xvfb on the first usable number from CORVANE_DISPLAY_NUM on and waits
# until it answers; a socket file alone proves nothing.
corvane_start_display() {
  local num log="$corvane_root/build/xvfb.log" pid
  mkdir -p "$(dirname "$log")"
  for num in $(seq "$CORVANE_DISPLAY_NUM" $((CORVANE_DISPLAY_NUM + 8))); do
    if corvane_display_answers ":$num"; then
      echo ":$num"; return 0
    fi
    corvane_clear_stale_display "$num"
    [ -e "/tmp/.X$num-lock" ] && continue
    Xvfb ":$num" -screen 0 1280x1024x24 -nolisten tcp </dev/null >>"$log" 2>&1 &
    pid=$!
    echo "$pid" > "$corvane_xvfb_pid_file"
    for _ in $(seq 150); do
      if corvane_display_answers ":$num"; then
        echo ":$num"; return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.2
    done
    kill "$pid" 2>/dev/null
  done
  echo "wine: no X display could be started; see $log" >&2
  return 1
}

corvane_wine_up() {
  if ! corvane_display_answers "${DISPLAY:-}"; then
    DISPLAY=$(corvane_start_display) || return 1
    export DISPLAY
    # A session begun without a display keeps failing windows: start it anew.
    wineserver -k >/dev/null 2>&1 || true
  fi
  mkdir -p "$(dirname "$corvane_display_file")"
  echo "$DISPLAY" > "$corvane_display_file"
  if [ ! -f "$WINEPREFIX/.corvane-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver -w
    # node.exe refuses anything older than Windows 8.1.
    winecfg -v win10 >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.corvane-ready"
  fi
  if [ ! -f "$WINEPREFIX/.corvane-no-crash-dialog" ]; then
    # A crashing test program ends at once, as on Windows without a debugger,
    # instead of waiting behind Wine's crash dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1 && touch "$WINEPREFIX/.corvane-no-crash-dialog"
  fi
  wineserver -p >/dev/null 2>&1 || true
  # The session's services start with its first program and inherit that
  # program's output: a pipe a test runner reads would then never close.
  # Starting them here ties them to nothing.
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  # The desktop process ends shortly after its last user and is started
  # again by the next program that draws, with that program's output: the
  # keeper holds it for the session (see desktop_keeper_main.cc).
  local keeper="$CORVANE_TEST_BUILD/bin/desktop_keeper.exe"
  if [ -f "$keeper" ] && ! pgrep -f 'desktop_keeper\.exe' >/dev/null; then
    wine "$keeper" </dev/null >/dev/null 2>&1 &
    disown
    for _ in $(seq 50); do
      pgrep -f 'explorer\.exe /desktop' >/dev/null && break
      sleep 0.1
    done
  fi
}

# Ends the wineserver and the display this project started; a display that was
# there before is left alone.
corvane_wine_down() {
  wineserver -k >/dev/null 2>&1 || true
  local pid
  pid=$(cat "$corvane_xvfb_pid_file" 2>/dev/null) || return 0
  rm -f "$corvane_xvfb_pid_file" "$corvane_display_file"
  # The number may have been reused since; only an Xvfb is ours to end.
  if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then
    kill "$pid" 2>/dev/null || true
  fi
}
