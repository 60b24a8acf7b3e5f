#!/usr/bin/env bash
# clang-tidy over every source file with the checks of .clang-tidy: outside the bounded byte
# reader, no pointer arithmetic and no reinterpret_cast. Usage: scripts/lint.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/debug}
[ -f "$build/compile_commands.json" ] || { echo "lint: no $build/compile_commands.json (build first)"; exit 1; }
out=$(git ls-files 'src/*.cpp' | grep -v '^src/core/ByteReader.cpp$' |
      xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null | grep -E 'warning:|error:' | sort -u || true)
if [ -n "$out" ]; then
  echo "$out"
  echo "lint: $(echo "$out" | wc -l) finding(s)"
  exit 1
fi
echo "lint: clean"
