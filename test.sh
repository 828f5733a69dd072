#!/usr/bin/env bash
# Builds every test with AddressSanitizer and UndefinedBehaviorSanitizer and runs them all.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/check-format.sh
jobs=$(nproc)
# Ninja schedules the build's three hundred targets as one graph; a tree made
# earlier by another generator is configured anew.
if [ -f build/test/CMakeCache.txt ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' build/test/CMakeCache.txt; then
  rm -rf build/test/CMakeCache.txt build/test/CMakeFiles
fi
cmake -G Ninja -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DVB_SANITIZE=ON -DVB_TESTS=ON >/dev/null
cmake --build build/test -j "$jobs"
cd build/test
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs"
