#!/usr/bin/env bash
# record-sound.sh -- plays a short submarine battle against a local kestrune-server and keeps
# what the client's speakers would have played as a WAV file to listen to (no sound card needed:
# SDL's disk driver takes the output). Usage: scripts/record-sound.sh [build-dir] [out.wav]
set -euo pipefail
build=${1:-build}
out=${2:-kestrune-session.wav}
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
cmake --build "$build" --target e2e_sound_session_test kestrune-server
KESTRUNE_HEADLESS=1 KESTRUNE_DATA="$(cd "$build/bin/data" && pwd)" KESTRUNE_SOUND_WAV="$out" \
  "$build/bin/e2e_sound_session_test"
echo "record-sound: $out (44100 Hz, 16-bit stereo)"
