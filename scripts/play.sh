#!/usr/bin/env bash
# play.sh -- starts a local kestrune-server with drones and the client connected to it;
# stops the server when the client exits
set -uo pipefail
build=${1:-build}
bin="$build/bin"
port=${KR_PORT:-6000}
state="${XDG_DATA_HOME:-$HOME/.local/share}/kestrune"
mkdir -p "$state"
server_pid=""
cleanup() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null
  fi
}
trap cleanup EXIT INT TERM

if [ -x "$bin/kestrune-server" ]; then
  # Port 25 needs root; without it the server logs that feedback mail is off and plays on.
  "$bin/kestrune-server" --bind 127.0.0.1 --port "$port" --db "$state/server.db" --drones 6 \
    2> >(tee "$state/server.log" >&2) &
  server_pid=$!
  for _ in $(seq 50); do
    (exec 3<>/dev/tcp/127.0.0.1/"$port") 2>/dev/null && break
    sleep 0.1
  done
  echo "play: kestrune-server running on port $port (log: $state/server.log)"
fi

if [ -x "$bin/kestrune" ]; then
  shift || true; "$bin/kestrune" "$@"
elif [ -n "$server_pid" ]; then
  echo "play: the client is not built yet; the server runs until Ctrl-C"
  wait "$server_pid"
elif [ -x "$bin/platform-demo" ]; then
  echo "play: neither client nor server is built yet; showing the platform demo"
  "$bin/platform-demo"
else
  echo "play: nothing to run yet" >&2
  exit 1
fi
