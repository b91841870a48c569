#!/usr/bin/env bash
# install-deps.sh -- installs the Debian packages Kestrune needs, only those that are missing
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core
  libasio-dev libsqlite3-dev libsodium-dev
  xvfb xauth imagemagick
  liballegro4-dev libegl-dev libgles-dev libegl-mesa0 libgl1-mesa-dri
  dpkg-dev fakeroot file lintian appstream desktop-file-utils systemd
)
missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
