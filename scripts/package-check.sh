#!/usr/bin/env bash
# package-check.sh -- builds the Debian packages and checks their contents, metadata and units
# usage: scripts/package-check.sh [BUILD_DIR]   (default build; configured by `make build`)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
PKG_DIR=$BUILD/packages
CLIENT_DEB=$PKG_DIR/kestrune_0.1-1_amd64.deb
SERVER_DEB=$PKG_DIR/kestrune-server_0.1-1_amd64.deb

# Lintian warnings that are expected, each with its reason. Errors always fail.
ACCEPTED_WARNINGS=(
  # The packages are built from this tree, not uploaded to Debian: no bug asks for them.
  initial-upload-closes-no-bugs
)

failures=0
fail() {
  echo "package-check: FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "package-check: ok: $*"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Build what the packages hold, then the packages themselves.
cmake --build "$BUILD" --target kestrune kestrune-server kr_data kr_icon kr_man
rm -f "$PKG_DIR"/*.deb
(cd "$BUILD" && cpack -G DEB >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  exit 1
}
for deb in "$CLIENT_DEB" "$SERVER_DEB"; do
  [ -f "$deb" ] || { echo "package-check: $deb was not built" >&2; exit 1; }
done

# Contents: every file a player or an operator relies on.
dpkg-deb -c "$CLIENT_DEB" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/client.list"
dpkg-deb -c "$SERVER_DEB" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/server.list"
client_files=(
  /usr/games/kestrune
  /usr/share/applications/kestrune.desktop
  /usr/share/metainfo/io.github.kestrune.Kestrune.metainfo.xml
  /usr/share/man/man6/kestrune.6.gz
  /usr/share/doc/kestrune/copyright
  /usr/share/doc/kestrune/changelog.Debian.gz
  /usr/share/kestrune/default.ini
  /usr/share/kestrune/kr.hlp
  /usr/share/kestrune/default.col
  /usr/share/kestrune/DEFAULT.CG
  /usr/share/kestrune/gfx/flash.bmp
  /usr/share/kestrune/gfx/compass.bmp
  /usr/share/kestrune/3d/sub.dsh
  /usr/share/kestrune/sfx/torp.raw
)
for n in 16 22 24 32 48 64 128 256; do
  client_files+=("/usr/share/icons/hicolor/${n}x${n}/apps/kestrune.png")
done
server_files=(
  /usr/bin/kestrune-server
  /usr/lib/systemd/system/kestrune-server.service
  /usr/lib/systemd/system/kestrune-server@.service
  /usr/lib/sysusers.d/kestrune-server.conf
  /usr/share/man/man6/kestrune-server.6.gz
  /usr/share/doc/kestrune-server/copyright
  /usr/share/doc/kestrune-server/changelog.Debian.gz
  /usr/share/doc/kestrune-server/examples/mail-port-25.conf
  /usr/share/doc/kestrune-server/examples/instance.conf
  /etc/kestrune/server.conf
)
missing=0
for f in "${client_files[@]}"; do grep -qxF "$f" "$work/client.list" || { fail "kestrune lacks $f"; missing=1; }; done
for f in "${server_files[@]}"; do grep -qxF "$f" "$work/server.list" || { fail "kestrune-server lacks $f"; missing=1; }; done
[ $missing = 0 ] && pass "expected files present"
# Nothing a test run leaves in the build's data folder (settings, logs, databases) may ship,
# and no package writes outside /usr.
stray=$(grep -v '/$' "$work/client.list" | grep '^/usr/share/kestrune/' |
  grep -Ev '^/usr/share/kestrune/((gfx|res)/[^/]+\.bmp|3d/[^/]+\.dsh|sfx/[^/]+\.raw|default\.ini|kr\.hlp|default\.col|DEFAULT\.CG)$' || true)
if [ -z "$stray" ]; then pass "data folder holds only game data"; else fail "unexpected data files: $stray"; fi
# ... but the server's configuration file, which must be a conffile so that edits survive.
outside=$(cat "$work/client.list" "$work/server.list" | grep -v '^/$' | grep -v '^/usr/' |
  grep -vxF -e /etc/ -e /etc/kestrune/ -e /etc/kestrune/server.conf || true)
if [ -z "$outside" ]; then pass "everything under /usr but the server's conffile"; else fail "files outside /usr: $outside"; fi
conffiles=$(dpkg-deb -I "$SERVER_DEB" conffiles 2>/dev/null || true)
if [ "$conffiles" = /etc/kestrune/server.conf ]; then
  pass "/etc/kestrune/server.conf is a conffile"
else
  fail "kestrune-server conffiles: '$conffiles'"
fi
if grep -q '^/usr/lib/systemd\|^/usr/bin/kestrune-server' "$work/client.list" ||
  grep -q '^/usr/games/\|^/usr/share/kestrune/' "$work/server.list"; then
  fail "a file is in the wrong package"
fi

# Dependencies come from dpkg-shlibdeps plus the font the client draws its text with.
client_dep=$(dpkg-deb -f "$CLIENT_DEB" Depends)
server_dep=$(dpkg-deb -f "$SERVER_DEB" Depends)
for d in fonts-dejavu-core libsdl2-2.0-0 libsdl2-ttf-2.0-0 libc6; do
  [[ $client_dep == *"$d"* ]] || fail "kestrune does not depend on $d: $client_dep"
done
for d in libsqlite3-0 libsodium23 adduser procps libc6; do
  [[ $server_dep == *"$d"* ]] || fail "kestrune-server does not depend on $d: $server_dep"
done
pass "dependencies: $client_dep | $server_dep"

# Unpack both to read the installed files as they ship.
root=$work/root
mkdir -p "$root"
dpkg -x "$CLIENT_DEB" "$root"
dpkg -x "$SERVER_DEB" "$root"

for n in 16 22 24 32 48 64 128 256; do
  desc=$(file -b "$root/usr/share/icons/hicolor/${n}x${n}/apps/kestrune.png")
  [[ $desc == "PNG image data, $n x $n, 8-bit/color RGBA"* ]] || fail "icon ${n}x$n: $desc"
done
pass "icons are RGBA PNGs of their folders' sizes"

# The shipped configuration file is one the installed server accepts.
if "$root/usr/bin/kestrune-server" --config "$root/etc/kestrune/server.conf" --db "$work/check.db" \
  --list-players >/dev/null 2>"$work/conf.log"; then
  pass "the installed server reads /etc/kestrune/server.conf"
else
  cat "$work/conf.log" >&2
  fail "the installed server refuses /etc/kestrune/server.conf"
fi

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$CLIENT_DEB" "$SERVER_DEB" >"$work/lintian.log" 2>&1 || true
  grep -v 'running with root privileges' "$work/lintian.log" || true
  if grep -q '^E:' "$work/lintian.log"; then
    fail "lintian errors"
  fi
  unexpected=$(grep '^W:' "$work/lintian.log" | awk '{print $3}' | sort -u |
    grep -vxF -f <(printf '%s\n' "${ACCEPTED_WARNINGS[@]}") || true)
  if [ -z "$unexpected" ]; then
    pass "lintian: no errors, only accepted warnings"
  else
    fail "lintian warnings not accepted: $unexpected"
  fi
else
  echo "package-check: lintian not installed, skipped (scripts/install-deps.sh installs it)"
fi

if appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.kestrune.Kestrune.metainfo.xml"; then
  pass "appstreamcli validate"
else
  fail "appstreamcli validate"
fi
if desktop-file-validate "$root/usr/share/applications/kestrune.desktop"; then
  pass "desktop-file-validate"
else
  fail "desktop-file-validate"
fi

# The maintainer scripts, run with logging stand-ins for the commands they call: the user comes
# from the sysusers file where systemd-sysusers exists, else from adduser; the unit is enabled.
control=$work/control
dpkg-deb -e "$SERVER_DEB" "$control"
stub_run() { # stub_run SCRIPT ARGS... ; the stand-ins named in $stubs exist, every one logs
  local bin=$work/stubs
  rm -rf "$bin" && mkdir -p "$bin" && : >"$work/calls.log"
  for c in $stubs; do
    printf '#!/bin/sh\necho "%s $*" >>"%s"\n[ "%s" != getent ]\n' "$c" "$work/calls.log" "$c" >"$bin/$c"
    chmod +x "$bin/$c"
  done
  PATH=$bin /bin/sh -e "$control/$1" "${@:2}" || fail "$1 ${*:2} failed"
}
stubs="systemd-sysusers deb-systemd-helper deb-systemd-invoke getent adduser"
stub_run postinst configure
grep -qx "systemd-sysusers kestrune-server.conf" "$work/calls.log" || fail "postinst made no user with systemd-sysusers"
grep -qx "deb-systemd-helper enable kestrune-server.service" "$work/calls.log" || fail "postinst did not enable the service"
! grep -q "^adduser" "$work/calls.log" || fail "postinst ran adduser beside systemd-sysusers"
stubs="deb-systemd-helper getent adduser"
stub_run postinst configure
grep -q "^adduser --system --group .* _kestrune$" "$work/calls.log" || fail "postinst without systemd-sysusers made no user"
stub_run prerm remove
stub_run postrm purge
grep -qx "deb-systemd-helper purge kestrune-server.service" "$work/calls.log" || fail "postrm purge left the unit's state"
pass "maintainer scripts"

# The units are checked against the unpacked root: its program and manual page, and systemd's own
# units from this machine for the targets they name. The drop-in for mail on port 25 too.
mkdir -p "$root/usr/lib/systemd/system" "$root/etc/systemd/system/kestrune-server.service.d"
cp -an /lib/systemd/system/. "$root/usr/lib/systemd/system/"
# The kill of ExecReload comes from procps, a dependency: this machine's stands in for it.
mkdir -p "$root/usr/bin" && cp "$(type -P kill)" "$root/usr/bin/kill"
cp "$root/usr/share/doc/kestrune-server/examples/mail-port-25.conf" \
  "$root/etc/systemd/system/kestrune-server.service.d/"
units=(/usr/lib/systemd/system/kestrune-server.service /usr/lib/systemd/system/kestrune-server@north.service)
# verify only logs unknown keys and bad values and still exits 0: any output is a failure.
if MANPATH=$root/usr/share/man systemd-analyze verify --root="$root" "${units[@]}" >"$work/verify.log" 2>&1 &&
  [ ! -s "$work/verify.log" ]; then
  pass "systemd-analyze verify (with the port 25 drop-in)"
else
  cat "$work/verify.log" >&2
  fail "systemd-analyze verify"
fi
# The hardening is kept: exposure stays "OK" (2.5 or less on systemd's 0-10 scale).
for u in "${units[@]}"; do
  rm -rf "$root/etc/systemd/system/kestrune-server.service.d"
  if systemd-analyze security --offline=true --threshold=25 --root="$root" "$u" >"$work/security.log" 2>&1; then
    pass "$(basename "$u"): $(grep 'Overall exposure' "$work/security.log" | sed 's/.*: //')"
  else
    tail -3 "$work/security.log" >&2
    fail "$(basename "$u") lost its hardening"
  fi
done

if [ $failures -gt 0 ]; then
  echo "package-check: $failures check(s) failed" >&2
  exit 1
fi
echo "package-check: all checks passed ($CLIENT_DEB, $SERVER_DEB)"
