#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them: the busy scene (1024 x 768,
# background and 400 blended sprites) drawn by our software device and by SDL's
# software renderer, each reported in frames per second (the "fps" counter);
# then the busy level-like scene through the sprites subsystem and the load
# time of the game's Sprites.dat.
# Arguments are passed to the benchmark program (for example: --benchmark_repetitions=3).
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVB_BENCH=ON -DVB_TESTS=OFF >/dev/null
cmake --build build/bench -j "$(nproc)" --target bench_DeviceBench bench_SpritesBench
build/bench/bench/bench_DeviceBench "$@"
exec build/bench/bench/bench_SpritesBench "$@"
