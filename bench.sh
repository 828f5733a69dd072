#!/usr/bin/env bash
# Builds the benchmarks in Release and runs every one of them (bench/*.cpp, one program each):
# among them the busy scene (1024 x 768, background and 400 blended sprites) drawn by our software
# device and by SDL's software renderer, the busy level-like scene through the sprites subsystem and
# the load time of the game's Sprites.dat, the path finder's routes and the window toolkit's frame.
# Arguments are passed to each benchmark program (for example: --benchmark_repetitions=3).
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/configure.sh build/bench -DCMAKE_BUILD_TYPE=Release -DVB_BENCH=ON -DVB_TESTS=OFF
cmake --build build/bench -j "$(nproc)"
for program in build/bench/bench/bench_*; do
  [ -x "$program" ] || continue
  echo "== ${program##*/}"
  "$program" "$@"
done
