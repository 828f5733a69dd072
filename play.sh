#!/usr/bin/env bash
# Builds the game in Release with its sample content and starts it.
# Arguments are passed to the program (for example: --headless --frames 10 --screenshot out.png);
# the program runs in the folder this script was started from, so relative paths on its
# command line are taken from there, not from the clone.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
(
  cd "$here"
  tools/deps.sh --game
  tools/configure.sh build/release -DCMAKE_BUILD_TYPE=Release -DVB_TESTS=OFF
  cmake --build build/release -j "$(nproc)" --target verbolunde
)
exec "$here/build/release/game/verbolunde" "$@"
