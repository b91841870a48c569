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
# Only the fuzz targets and what they link: the rest is covered by the other two builds.
targets=$(ls tests/fuzz/fuzz_*.cpp tests/ddd/fuzz_*.cpp 2>/dev/null | xargs -n1 basename | sed 's/\.cpp$//')
cmake --build "$dir" -j "$(nproc)" --target $targets
for f in "$dir"/bin/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  # Absolute paths: some targets work in a folder of their own.
  corpus="$(realpath -m "$dir/corpus/$name")"
  mkdir -p "$corpus"
  seeds="$PWD/tests/fuzz/seeds/${name#fuzz_}"
  args=("$corpus")
  [ -d "$seeds" ] && args+=("$seeds")
  echo "fuzz: $name for ${secs}s"
  "$f" -max_total_time="$secs" -seed=1 -rss_limit_mb=2048 "${args[@]}"
done
