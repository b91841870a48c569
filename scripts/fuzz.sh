#!/usr/bin/env bash
# fuzz.sh -- builds the libFuzzer targets with clang and runs each for a bounded time
set -euo pipefail
dir=${1:-build-fuzz}
secs=${FUZZ_SECONDS:-30}
if [ ! -f tests/fuzz/CMakeLists.txt ]; then
  echo "fuzz: no fuzz targets"
  exit 0
fi
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKR_FUZZ=ON
cmake --build "$dir" -j "$(nproc)"
for f in "$dir"/bin/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="$dir/corpus/$name"
  mkdir -p "$corpus"
  seeds=tests/fuzz/seeds/${name#fuzz_}
  args=("$corpus")
  [ -d "$seeds" ] && args+=("$seeds")
  echo "fuzz: $name for ${secs}s"
  "$f" -max_total_time="$secs" -seed=1 -rss_limit_mb=2048 "${args[@]}"
done
