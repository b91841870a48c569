#!/bin/sh
# hostile_latency.sh -- the hostile-client suites with their latency bound held: each attack's
# well-behaved players' p99 round trip must stay within three times its value before the attack
# (at least 5 ms). Run it on a quiet machine; `make test` runs the same suites without the bound.
# usage: bench/server/hostile_latency.sh [BUILD] [RUNS]
set -eu
BUILD=${1:-build}
RUNS=${2:-3}
cmake --build "$BUILD" --target server_hostile_game_test server_hostile_mail_test >/dev/null
fail=0
i=1
while [ "$i" -le "$RUNS" ]; do
    for t in server_hostile_game_test server_hostile_mail_test; do
        if ! KESTRUNE_HOSTILE_LATENCY=1 "$BUILD/bin/$t" >"/tmp/kr-hostile-$t.$i.log" 2>&1; then
            fail=1
            echo "run $i: $t FAILED (log: /tmp/kr-hostile-$t.$i.log)"
        fi
        grep 'p99' "/tmp/kr-hostile-$t.$i.log" | sed "s/^/run $i: /"
    done
    i=$((i + 1))
done
exit $fail
