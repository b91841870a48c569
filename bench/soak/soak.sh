#!/usr/bin/env bash
# soak.sh -- the server under 50 sailing bots and two real clients for ten minutes: no crash, no
# growth of the server's resident memory past its working set, every client block released
#   bench/soak/soak.sh [BUILD_DIR] [SECONDS] [BOTS]   (defaults: build 600 50)
# Needs kestrune-server, kestrune-bot (configure with -DKR_BENCH=ON), e2e_soak_client_test, kr_data.
set -uo pipefail
BUILD=$(cd "${1:-build}" && pwd)
SECONDS_TOTAL=${2:-600}
BOTS=${3:-50}
BIN=$BUILD/bin
CLIENT=$(find "$BUILD" -name e2e_soak_client_test -type f -perm -u+x | head -1)
for f in "$BIN/kestrune-server" "$BIN/kestrune-bot" "$CLIENT"; do
  [[ -x "$f" ]] || { echo "soak: $f is not built" >&2; exit 2; }
done
WORK=$(mktemp -d /tmp/kr_soak_XXXXXX)
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
echo "soak: ${SECONDS_TOTAL}s, $BOTS bots, 2 clients, port $PORT, files in $WORK"

"$BIN/kestrune-server" --bind 127.0.0.1 --port "$PORT" --mail-port 0 --db "$WORK/soak.db" \
  --exempt 127.0.0.1 --hash-cost min --drones 12 --log-level warn 2>"$WORK/server.log" &
SERVER=$!
for _ in $(seq 200); do
  (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && break
  sleep 0.1
done

"$BIN/kestrune-bot" --port "$PORT" -n "$BOTS" --mode battle --rate 2 \
  --seconds "$SECONDS_TOTAL" --server-pid "$SERVER" >"$WORK/bot.log" 2>&1 &
BOT=$!
CLIENTS=()
start_client() { # name, extra environment
  local name=$1; shift
  ( cd "$WORK" && env KESTRUNE_HEADLESS=1 KESTRUNE_DATA="$BIN/data" SDL_AUDIODRIVER=dummy \
      KESTRUNE_SOAK_PORT="$PORT" KESTRUNE_SOAK_SECONDS=$((SECONDS_TOTAL - 20)) \
      KESTRUNE_SOAK_USER="soak$name" "$@" "$CLIENT" >"$WORK/client-$name.out" 2>&1 ) &
  CLIENTS+=($!)
}
start_client sub KESTRUNE_SOAK_SUB=1
start_client dd

# Resident memory of the server every 10 s; the first quarter is its warm-up.
rss() { awk '/^VmRSS/ {print $2}' "/proc/$SERVER/status" 2>/dev/null; }
SAMPLES=()
END=$(( $(date +%s) + SECONDS_TOTAL ))
while (( $(date +%s) < END )); do
  kill -0 "$SERVER" 2>/dev/null || break
  SAMPLES+=("$(rss)")
  sleep 10
done
FAIL=0
if ! kill -0 "$SERVER" 2>/dev/null; then
  echo "soak: FAIL: the server died"; FAIL=1
fi
for c in "${CLIENTS[@]}"; do
  wait "$c" || { echo "soak: FAIL: a client failed (see $WORK/client-*.out)"; FAIL=1; }
done
wait "$BOT"
kill -TERM "$SERVER" 2>/dev/null
wait "$SERVER"; RC=$?
(( RC == 0 )) || { echo "soak: FAIL: server exit status $RC"; FAIL=1; }

n=${#SAMPLES[@]}
warm=$(( n / 4 ))
(( warm < 1 )) && warm=1
working=0; late=0
for ((i = warm; i < n; i++)); do
  v=${SAMPLES[$i]:-0}
  if (( i < n / 2 || n < 4 )); then (( v > working )) && working=$v; else (( v > late )) && late=$v; fi
done
echo "soak: server RSS KiB: start ${SAMPLES[0]:-?}, working set (after warm-up) $working, late peak $late, samples $n"
echo "soak: RSS samples: ${SAMPLES[*]}"
# Growth is allowed within the working set plus 10 % and 4 MiB of allocator slack.
if (( late > working + working / 10 + 4096 )); then
  echo "soak: FAIL: server memory grew past its working set"; FAIL=1
fi
for f in "$WORK"/client-*.out; do
  grep -h "battles" "$f" | sed 's/^/soak: /'
done
# ShutDown lists every tracked block still held under the tag DebugUnfreedList.
if grep -q "DebugUnfreedList" "$WORK"/soak*.log 2>/dev/null; then
  echo "soak: FAIL: a client left tracked blocks:"; grep -h "DebugUnfreedList" "$WORK"/soak*.log | head
  FAIL=1
fi
for f in "$WORK"/client-*.out; do
  grep -q "\[  PASSED  \] 1 test" "$f" || { echo "soak: FAIL: $f"; FAIL=1; }
done
grep -E "logins|relay|rss|lines" "$WORK/bot.log" | tail -5 | sed 's/^/soak: bot: /'
if (( FAIL == 0 )); then
  echo "soak: PASS"
  rm -rf "$WORK"
else
  echo "soak: files kept in $WORK"
fi
exit $FAIL
