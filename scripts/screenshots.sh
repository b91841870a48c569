#!/usr/bin/env bash
# screenshots.sh -- the end-to-end battle once under Xvfb with real windows; PNGs of the whole
# desktop at the battle's start, after the sinking and with the service record open
#   scripts/screenshots.sh [BUILD_DIR]   (default: build; the test and data must be built)
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
OUT=$BUILD/screenshots
TEST=$(find "$BUILD" -name e2e_battle_test -type f -perm -u+x | head -1)
if [[ -z "$TEST" ]]; then
  echo "e2e_battle_test is not built in $BUILD (ninja -C $BUILD e2e_battle_test kr_data)" >&2
  exit 1
fi
for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb imagemagick)" >&2; exit 1; }
done
mkdir -p "$OUT"
rm -f "$OUT"/*.png
cd "$BUILD"
xvfb-run -a -s "-screen 0 1024x768x24" \
  env KESTRUNE_HEADLESS=0 KESTRUNE_DATA="$BUILD/bin/data" SDL_AUDIODRIVER=dummy \
  KESTRUNE_E2E_SHOTS="$OUT" "$TEST"
ls -l "$OUT"/*.png
