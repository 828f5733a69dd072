#!/usr/bin/env bash
# Configures a build tree with Ninja: tools/configure.sh DIR [cmake options...]
# Ninja schedules the build's three hundred targets as one graph. A tree made
# earlier by another generator is configured anew (CMake refuses to switch).
set -euo pipefail
dir=$1
shift
if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
  rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
fi
cmake -G Ninja -S . -B "$dir" "$@" >/dev/null
