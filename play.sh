#!/usr/bin/env bash
# Builds the game in Release with its sample content and starts it.
# Arguments are passed to the program (for example: --headless --frames 10 --screenshot out.png).
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/configure.sh build/release -DCMAKE_BUILD_TYPE=Release -DVB_TESTS=OFF
cmake --build build/release -j "$(nproc)" --target verbolunde
exec build/release/game/verbolunde "$@"
