#!/bin/sh
# fairness.sh -- starts a loopback server with the default drones and plays the captains' battles
# usage: bench/fairness/fairness.sh [BUILD] ; environment: PORT, BATTLES, AT_ONCE, LIMIT, SEED
set -eu
BUILD=${1:-build}
PORT=${PORT:-16400}
BATTLES=${BATTLES:-20}
AT_ONCE=${AT_ONCE:-10}
LIMIT=${LIMIT:-600}
SEED=${SEED:-1}
DIR=$(mktemp -d /tmp/kr-fairness-XXXXXX)
"$BUILD/bin/kestrune-server" --bind 127.0.0.1 --port "$PORT" --mail-port 0 --db "$DIR/f.db" \
    --hash-cost min --drones 6 --seed "$SEED" --log-level warn 2>"$DIR/server.log" &
SERVER=$!
trap 'kill $SERVER 2>/dev/null; wait $SERVER 2>/dev/null; rm -rf "$DIR"' EXIT INT TERM
sleep 1
"$BUILD/bin/kestrune-captain" --port "$PORT" --captain newcomer,expert,careless,gunner \
    --battles "$BATTLES" --at-once "$AT_ONCE" --limit "$LIMIT" --seed "$SEED"
