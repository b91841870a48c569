#!/usr/bin/env bash
# package-run.sh -- unpacks the built Debian packages into a throwaway root and plays the
# installed client (headless) against the installed server, started as its systemd unit starts it
# usage: scripts/package-run.sh [BUILD_DIR]   (after scripts/package-check.sh built the packages)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
CLIENT_DEB=$BUILD/packages/kestrune_0.1-1_amd64.deb
SERVER_DEB=$BUILD/packages/kestrune-server_0.1-1_amd64.deb
for deb in "$CLIENT_DEB" "$SERVER_DEB"; do
  [ -f "$deb" ] || { echo "package-run: $deb missing: run scripts/package-check.sh first" >&2; exit 1; }
done

work=$(mktemp -d)
server_pid=""
cleanup() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "package-run: FAIL: $*" >&2
  for f in server.log run/debug.log client.err; do
    [ -f "$work/$f" ] && { echo "--- $f" >&2; cat "$work/$f" >&2; }
  done
  exit 1
}

root=$work/root
mkdir -p "$root" "$work/state" "$work/run" "$work/home"
dpkg -x "$CLIENT_DEB" "$root"
dpkg -x "$SERVER_DEB" "$root"

# The unit's own command line, with its configuration file, state folder and program moved into
# the throwaway root; options after it (which override the file) ask for a free loopback port
# (0: the server picks one and logs it), no mail and the cheapest hashing.
exec_start=$(sed -n 's/^ExecStart=//p' "$root/usr/lib/systemd/system/kestrune-server.service")
[[ $exec_start == "/usr/bin/kestrune-server --config /etc/kestrune/server.conf"*"--db /var/lib/kestrune/kestrune.db"* ]] ||
  fail "unexpected ExecStart: $exec_start"
exec_start=${exec_start//\/usr\/bin\/kestrune-server/$root/usr/bin/kestrune-server}
exec_start=${exec_start//\/var\/lib\/kestrune/$work/state}
exec_start=${exec_start//\/etc\/kestrune/$root/etc/kestrune}
eval "set -- $exec_start --bind 127.0.0.1 --port 0 --mail-port 0 --hash-cost min --log-level debug"
(cd "$work/state" && exec "$@" 2>"$work/server.log") &
server_pid=$!
for _ in $(seq 100); do
  grep -q "game port [1-9]" "$work/server.log" 2>/dev/null && break
  kill -0 "$server_pid" 2>/dev/null || fail "the installed server ended at start"
  sleep 0.1
done
port=$(sed -n 's/.*game port \([1-9][0-9]*\),.*/\1/p' "$work/server.log" | head -1)
[ -n "$port" ] || fail "the installed server did not come up"
[ -f "$work/state/kestrune.db" ] || fail "no database in the state folder"
echo "package-run: ok: installed server up on 127.0.0.1:$port with its database in the state folder"

# The installed client, headless, started from an empty folder with no KESTRUNE_DATA: it must
# find its data through the installed layout (games/../share/kestrune). With no one to answer the
# login box, the headless backend cancels it and the client ends.
set +e
(cd "$work/run" && KESTRUNE_HEADLESS=1 KESTRUNE_HOME="$work/home" SDL_AUDIODRIVER=dummy \
  timeout 60 "$root/usr/games/kestrune" --host 127.0.0.1 --port "$port" --splash-ms 0) \
  >"$work/client.out" 2>"$work/client.err"
status=$?
set -e
[ $status = 0 ] || fail "the installed client ended with status $status"
log=$work/run/debug.log
[ -f "$log" ] || fail "the client wrote no debug log"
if grep -q "Can't" "$log"; then fail "the client missed some of its data"; fi
[ -f "$work/home/kr.ini" ] || fail "the client did not install its settings from default.ini"
grep -q "IPConnect: Connected" "$log" || fail "the client did not connect"
grep -q "^LoginDialog=" "$log" || fail "the client did not open the login box"
grep -q 'modal window "Kestrune - Login"' "$work/client.err" || fail "no login box was shown"
grep -q "PacketIDRequest: User cancelled" "$log" || fail "the login request did not reach the client"
grep -q "conn 1 (127.0.0.1): connected" "$work/server.log" || fail "the server did not log the client"
echo "package-run: ok: installed client found its data, connected and was asked to log in"

# A reload, as "systemctl reload" sends it: a limit changed in the installed file is taken over.
echo "per-address = 16" >>"$root/etc/kestrune/server.conf"
kill -HUP "$server_pid"
for _ in $(seq 50); do
  grep -q "reload: per-address 32 -> 16" "$work/server.log" && break
  sleep 0.1
done
grep -q "reload: per-address 32 -> 16" "$work/server.log" || fail "the server did not reload its file"
echo "package-run: ok: the installed server reloaded /etc/kestrune/server.conf on SIGHUP"

kill "$server_pid"
wait "$server_pid" || fail "the installed server did not stop cleanly on SIGTERM"
server_pid=""
grep -q "stopped" "$work/server.log" || fail "the server did not log its stop"
echo "package-run: ok: installed server stopped cleanly"
