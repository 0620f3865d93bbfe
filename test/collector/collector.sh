#!/usr/bin/env bash
# Loopback HTTPS collector for the tests.
#
#   eval "$(test/collector/collector.sh start [--port N] [--dir D] [--no-trust])"
#   test/collector/collector.sh stop [--keep]      (uses CORVANE_COLLECTOR_DIR)
#
# start makes a CA and a server certificate for 127.0.0.1 for this run, adds
# the CA to the Wine prefix's machine ROOT store (collector_root_cert.exe),
# starts collector.py and prints export lines: CORVANE_COLLECTOR_HOST,
# CORVANE_COLLECTOR_PORT, CORVANE_COLLECTOR_DIR (Unix path),
# CORVANE_COLLECTOR_WINDIR (the same directory for Windows programs),
# CORVANE_COLLECTOR_PID, and CORVANE_COLLECTOR_LEGACY_TLS_PORT (a listener
# speaking only TLS 1.0/1.1, when OpenSSL allows one). Diagnostics go to stderr; stdout is only the exports.
# The port defaults to $CORVANE_COLLECTOR_PORT, else 18443; --port 0 picks a
# free one.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

say() { echo "collector: $*" >&2; }

win_path() {
  # Wine maps the Unix root to drive Z:.
  local p
  p=$(cd "$1" && pwd -P)
  printf 'Z:%s' "${p//\//\\}"
}

find_tool() {
  if [ -n "${CORVANE_COLLECTOR_TOOL:-}" ]; then
    echo "$CORVANE_COLLECTOR_TOOL"
    return
  fi
  # The tool of the tree the tests run from: a machine may run only 64-bit programs.
  # shellcheck source=/dev/null
  source "$root/test/wine/env.sh"
  local candidate
  for candidate in "$CORVANE_TEST_BUILD/bin/collector_root_cert.exe" \
                   "$root"/build/*/bin/collector_root_cert.exe; do
    if [ -f "$candidate" ]; then
      echo "$candidate"
      return
    fi
  done
}

run_tool() {
  local action=$1 dir=$2 tool
  tool=$(find_tool)
  if [ -z "$tool" ]; then
    say "collector_root_cert.exe not built; the CA is not in the ROOT store"
    return 1
  fi
  # shellcheck source=/dev/null
  source "$root/test/wine/env.sh"
  wine "$tool" "$action" "$(win_path "$dir")\\ca.der" >&2
}

make_certificates() {
  local dir=$1 tag
  tag=$(basename "$dir")
  # A distinct CA per run: a stale one left by a crashed run never matches.
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3 \
    -keyout "$dir/ca.key" -out "$dir/ca.pem" \
    -subj "/O=Corvane Tests/CN=Corvane Test Collector CA $tag" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" >/dev/null 2>&1
  openssl req -newkey rsa:2048 -nodes -sha256 \
    -keyout "$dir/server.key" -out "$dir/server.csr" \
    -subj "/O=Corvane Tests/CN=127.0.0.1" >/dev/null 2>&1
  cat > "$dir/server.ext" <<'EXT'
basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost
EXT
  openssl x509 -req -sha256 -days 2 -in "$dir/server.csr" \
    -CA "$dir/ca.pem" -CAkey "$dir/ca.key" -CAcreateserial \
    -extfile "$dir/server.ext" -out "$dir/server.pem" >/dev/null 2>&1
  cat "$dir/server.pem" "$dir/ca.pem" > "$dir/chain.pem"
  openssl x509 -in "$dir/ca.pem" -outform der -out "$dir/ca.der"
}

start() {
  local port=${CORVANE_COLLECTOR_PORT:-18443} dir="" trust=1
  while [ $# -gt 0 ]; do
    case "$1" in
      --port) port=$2; shift 2 ;;
      --dir) dir=$2; shift 2 ;;
      --no-trust) trust=0; shift ;;
      *) say "unknown option $1"; exit 1 ;;
    esac
  done
  if [ -z "$dir" ]; then
    dir=$(mktemp -d /tmp/corvane-collector.XXXXXX)
  else
    mkdir -p "$dir"
  fi
  dir=$(cd "$dir" && pwd -P)
  make_certificates "$dir"

  setsid python3 "$here/collector.py" --port "$port" --dir "$dir" \
    --cert "$dir/chain.pem" --key "$dir/server.key" \
    > "$dir/collector.out" 2>&1 < /dev/null &
  local pid=$!
  for _ in $(seq 100); do
    [ -f "$dir/port" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then
      say "collector.py ended at start:"
      cat "$dir/collector.out" >&2
      exit 1
    fi
    sleep 0.1
  done
  if [ ! -f "$dir/port" ]; then
    say "collector.py did not start listening"
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  port=$(cat "$dir/port")
  if [ "$trust" = 1 ]; then
    if run_tool add "$dir"; then
      touch "$dir/trusted"
    else
      say "warning: HTTPS requests from Windows programs will fail the certificate check"
    fi
  fi
  say "listening on https://127.0.0.1:$port, state in $dir"
  echo "export CORVANE_COLLECTOR_HOST=127.0.0.1"
  echo "export CORVANE_COLLECTOR_PORT=$port"
  echo "export CORVANE_COLLECTOR_DIR='$dir'"
  echo "export CORVANE_COLLECTOR_WINDIR='$(win_path "$dir")'"
  echo "export CORVANE_COLLECTOR_PID=$pid"
  if [ -f "$dir/legacy_port" ]; then
    echo "export CORVANE_COLLECTOR_LEGACY_TLS_PORT=$(cat "$dir/legacy_port")"
  fi
}

stop() {
  local dir=${CORVANE_COLLECTOR_DIR:-} keep=0
  while [ $# -gt 0 ]; do
    case "$1" in
      --dir) dir=$2; shift 2 ;;
      --keep) keep=1; shift ;;
      *) say "unknown option $1"; exit 1 ;;
    esac
  done
  if [ -z "$dir" ] || [ ! -d "$dir" ]; then
    say "no collector directory (set CORVANE_COLLECTOR_DIR or pass --dir)"
    exit 1
  fi
  if [ -f "$dir/pid" ]; then
    local pid
    pid=$(cat "$dir/pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  if [ -f "$dir/trusted" ]; then
    run_tool remove "$dir" || say "warning: the CA stays in the ROOT store"
  fi
  if [ "$keep" = 0 ]; then
    rm -rf "$dir"
  fi
  say "stopped"
}

case "${1:-}" in
  start) shift; start "$@" ;;
  stop) shift; stop "$@" ;;
  *) echo "usage: $0 start [--port N] [--dir D] [--no-trust] | stop [--dir D] [--keep]" >&2
     exit 1 ;;
esac
