#!/bin/sh
# fairness.sh -- plays the captains' battles, each profile against its own loopback server with the
# default drones, all profiles at once, and prints one table
# usage: bench/fairness/fairness.sh [BUILD] ; environment: PORT, BATTLES, AT_ONCE, LIMIT, SEED,
# PROFILES (default newcomer,expert,careless,gunner), VERBOSE (1: each battle, 2: and its course)
set -eu
BUILD=${1:-build}
PORT=${PORT:-16400}
BATTLES=${BATTLES:-20}
AT_ONCE=${AT_ONCE:-5}
LIMIT=${LIMIT:-600}
SEED=${SEED:-1}
PROFILES=${PROFILES:-newcomer,expert,careless,gunner}
VERBOSE=${VERBOSE:-1}
DIR=$(mktemp -d /tmp/kr-fairness-XXXXXX)
PIDS=""
cleanup() {
    for p in $PIDS; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$DIR"
}
trap cleanup EXIT INT TERM

# A server of its own per profile: the captains of one profile share its convoys, not another's
# (gunners would otherwise sink the submarines' targets before they arrive).
i=0
for profile in $(echo "$PROFILES" | tr ',' ' '); do
    port=$((PORT + i))
    "$BUILD/bin/kestrune-server" --bind 127.0.0.1 --port "$port" --mail-port 0 \
        --db "$DIR/$profile.db" --hash-cost min --drones 6 --seed "$((SEED + i))" \
        --exempt 127.0.0.1 --log-level warn 2>"$DIR/$profile.server.log" &
    PIDS="$PIDS $!"
    i=$((i + 1))
done
sleep 1
i=0
CAPTAINS=""
for profile in $(echo "$PROFILES" | tr ',' ' '); do
    "$BUILD/bin/kestrune-captain" --port "$((PORT + i))" --captain "$profile" \
        --battles "$BATTLES" --at-once "$AT_ONCE" --limit "$LIMIT" --seed "$((SEED + i))" \
        --verbose "$VERBOSE" >"$DIR/$profile.table" 2>"$DIR/$profile.log" &
    CAPTAINS="$CAPTAINS $!"
    i=$((i + 1))
done
for p in $CAPTAINS; do wait "$p"; done
first=1
for profile in $(echo "$PROFILES" | tr ',' ' '); do
    if [ "$first" = 1 ]; then head -n 1 "$DIR/$profile.table"; first=0; fi
    tail -n +2 "$DIR/$profile.table"
done
if [ -n "${KEEP:-}" ]; then
    mkdir -p "$KEEP"
    cp "$DIR"/*.log "$DIR"/*.table "$KEEP"/
fi
