#!/bin/bash
# relay_bench.sh BUILD [BOTS] [SECONDS] -- the relay benchmark: server on core 0, bots on core 1.
#   1. BOTS bots (default 1000) sail, each sending 10 order changes a second: relay delay p50/p99,
#      lost relays, server and bot load.
#   2. The same bots flat out (60 update lines a bot every 100 ms): update lines a second the
#      server delivers to clients.
#   3. Redis pub/sub (Debian's redis-server, installed with apt-get when missing, on a private
#      loopback port and directory, stopped by its pid): the same line size to BOTS subscribers;
#      the ratio of the server's deliveries to Redis's.
#   4. The relay delay through Redis (redis_relay): the same ships, areas and order rate, each
#      ship's orders published on its channel to the other ships of its area.
#   5. bench_server_world: a world step with 1000 ships against its 100 ms.
# RT=1 runs the measured processes under SCHED_FIFO (root) so that other work on a shared machine
# does not preempt them; they never spin, so they take only the time they need.
set -euo pipefail
BUILD=${1:?usage: relay_bench.sh BUILD [BOTS] [SECONDS]}
BOTS=${2:-1000}
SECS=${3:-20}
BIN=$(cd "$BUILD/bin" && pwd)
WORK=$(mktemp -d /tmp/kr-relay-XXXXXX)
PORT=$((20000 + RANDOM % 20000))
RPORT=$((PORT + 1))
PRIO=()
[ "${RT:-0}" = 1 ] && PRIO=(chrt -f 1)
ulimit -n "$(ulimit -Hn)"
PIDS=()
cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

for f in kestrune-server kestrune-bot redis_fanout redis_relay bench_server_world; do
  [ -x "$BIN/$f" ] || { echo "missing $BIN/$f (cmake --build $BUILD --target $f)"; exit 1; }
done
if ! command -v redis-server >/dev/null; then
  apt-get install -y --no-install-recommends redis-server >"$WORK/apt.log" 2>&1 ||
    { apt-get update >/dev/null && apt-get install -y --no-install-recommends redis-server >"$WORK/apt.log"; }
fi

wait_port() {
  for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0; sleep 0.1; done
  return 1
}
server() { # port, extra options
  local port=$1; shift
  rm -rf "$WORK/db$port"; mkdir -p "$WORK/db$port"
  "${PRIO[@]}" taskset -c 0 "$BIN/kestrune-server" --bind 127.0.0.1 --port "$port" --mail-port 0 \
    --db "$WORK/db$port/b.db" --hash-cost min --drones 60 --seed 5 --log-level warn --exempt 127.0.0.1 "$@" \
    2>"$WORK/server$port.log" &
  SERVER=$!
  PIDS+=("$SERVER")
  wait_port "$port"
}
stop() { kill "$1"; wait "$1" 2>/dev/null || true; }

echo "== relay: $BOTS bots, 10 order changes a second each, $SECS s (load: $(cut -d' ' -f1-3 /proc/loadavg))"
server "$PORT"
"${PRIO[@]}" taskset -c 1 "$BIN/kestrune-bot" --port "$PORT" -n "$BOTS" --mode battle --rate 10 \
  --seconds "$SECS" --server-pid "$SERVER" | tee "$WORK/relay.out"
stop "$SERVER"

echo "== fan-out flat out: $BOTS bots, 60 update lines each every 100 ms"
server $((PORT + 2)) --line-rate 5000
"${PRIO[@]}" taskset -c 1 "$BIN/kestrune-bot" --port $((PORT + 2)) -n "$BOTS" --mode battle \
  --rate 10 --flat 60 --fire 0 --seconds "$SECS" --server-pid "$SERVER" | tee "$WORK/flat.out"
stop "$SERVER"
OURS=$(sed -n 's/^fan-out flat out: \([0-9]*\).*/\1/p' "$WORK/flat.out")

# Update lines the server relays are 55 to 65 bytes: Redis carries 60-byte lines.
SIZE=${SIZE:-60}
echo "== Redis pub/sub: $BOTS subscribers, $SIZE-byte lines"
mkdir -p "$WORK/redis"
"${PRIO[@]}" taskset -c 0 redis-server --port "$RPORT" --bind 127.0.0.1 --dir "$WORK/redis" \
  --save "" --appendonly no --daemonize no --maxclients 20000 --loglevel warning \
  >"$WORK/redis.log" 2>&1 &
REDIS=$!
PIDS+=("$REDIS")
wait_port "$RPORT"
"${PRIO[@]}" taskset -c 1 "$BIN/redis_fanout" --port "$RPORT" --subs "$BOTS" --size "$SIZE" \
  --pubs 4 --window 512 --seconds "$SECS" | tee "$WORK/redis.out"
# Bots watch about 26 other bots each (the rest of a player's area is drones): areas of 27.
AREA=${AREA:-27}
echo "== Redis relay delay: $BOTS ships in areas of $AREA, 10 orders a second each"
"${PRIO[@]}" taskset -c 1 "$BIN/redis_relay" --port "$RPORT" --ships "$BOTS" --area "$AREA" \
  --rate 10 --seconds "$SECS" | tee "$WORK/redis_relay.out"
stop "$REDIS"
THEIRS=$(sed -n 's/^redis fan-out: \([0-9]*\).*/\1/p' "$WORK/redis.out")
[ -n "$OURS" ] && [ -n "$THEIRS" ] &&
  awk -v a="$OURS" -v b="$THEIRS" 'BEGIN { printf "fan-out ratio kestrune-server / redis: %.2f (target at least 0.5)\n", a / b }'

echo "== world step"
taskset -c 0 "$BIN/bench_server_world" --benchmark_filter='BM_WorldStep/1000' 2>/dev/null |
  awk '/BM_WorldStep\/1000/ { printf "%s\nworld step with 1000 ships: %s us, %.2f %% of its 100 ms\n", $0, $2, $2 / 1000 }'
