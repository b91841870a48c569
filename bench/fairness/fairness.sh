#!/bin/sh
# fairness.sh -- plays the captains' battles, every boat alone against its own loopback server with
# the default drones, all at once, and prints one table
# usage: bench/fairness/fairness.sh [BUILD] ; environment: PORT, BATTLES, AT_ONCE, LIMIT, SEED,
# PROFILES (default newcomer,expert,careless,gunner), VERBOSE (2: each captain's course), KEEP=DIR
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
SERVERS=""
cleanup() {
    for p in $SERVERS; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$DIR"
}
trap cleanup EXIT INT TERM

# A server of its own for every boat at sea: a boat meets its convoy alone, as a player on a
# quiet server does, and no profile or other boat sinks its targets or draws its escorts away.
# AT_ONCE boats of each profile sail side by side, each playing its share of the battles.
per_slot=$(( (BATTLES + AT_ONCE - 1) / AT_ONCE ))
n=0
CAPTAINS=""
for profile in $(echo "$PROFILES" | tr ',' ' '); do
    slot=0
    left=$BATTLES
    while [ "$slot" -lt "$AT_ONCE" ] && [ "$left" -gt 0 ]; do
        battles=$per_slot
        [ "$battles" -gt "$left" ] && battles=$left
        port=$((PORT + n))
        seed=$((SEED * 100 + n))
        "$BUILD/bin/kestrune-server" --config /dev/null --bind 127.0.0.1 --port "$port" \
            --mail-port 0 --db "$DIR/$n.db" --hash-cost min --drones 6 --seed "$seed" \
            --exempt 127.0.0.1 --admin-socket off --log-level warn 2>"$DIR/$n.server.log" &
        SERVERS="$SERVERS $!"
        sleep 0.2
        "$BUILD/bin/kestrune-captain" --port "$port" --captain "$profile" --battles "$battles" \
            --at-once 1 --limit "$LIMIT" --seed "$seed" --verbose "$VERBOSE" \
            --outcomes "$DIR/$n.out" >/dev/null 2>"$DIR/$profile.$slot.log" &
        CAPTAINS="$CAPTAINS $!"
        left=$((left - battles))
        slot=$((slot + 1))
        n=$((n + 1))
    done
done
for p in $CAPTAINS; do wait "$p" || true; done
"$BUILD/bin/kestrune-captain" --summary "$(ls "$DIR"/*.out | tr '\n' ',')"
if [ -n "${KEEP:-}" ]; then
    mkdir -p "$KEEP"
    cp "$DIR"/*.log "$DIR"/*.out "$KEEP"/
fi
