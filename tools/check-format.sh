#!/usr/bin/env bash
# Fails when a C++ file tracked by git is not formatted as .clang-format says.
# Format a file with: clang-format -i FILE
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
[ ${#files[@]} -eq 0 ] && exit 0
# The files are checked in batches, one batch per processor at a time; when
# one fails, a single run over all of them lists the files that need it.
if ! printf '%s\0' "${files[@]}" | xargs -0 -n 40 -P "$(nproc)" clang-format --dry-run --Werror 2>/dev/null; then
  clang-format --dry-run --Werror "${files[@]}" 2>/tmp/vb-format.$$ || true
  grep -E '^[^ ].*: (error|warning):' /tmp/vb-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
  rm -f /tmp/vb-format.$$
  echo "Run: clang-format -i FILE (for each file above)" >&2
  exit 1
fi
rm -f /tmp/vb-format.$$
