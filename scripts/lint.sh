#!/usr/bin/env bash
# clang-tidy over every source file with the checks of .clang-tidy: outside the bounded byte
# reader, no pointer arithmetic and no reinterpret_cast. A finding fails the lint, and so does
# a clang-tidy that is missing, or one that fails on a file without a finding to show for it
# (a crash): "clean" means every file was read and nothing was found.
# Usage: scripts/lint.sh BUILD_DIR [FILE.cpp...]   (default: every source; CLANG_TIDY names
# another clang-tidy)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/debug}
tidy=${CLANG_TIDY:-clang-tidy}
command -v "$tidy" >/dev/null || { echo "lint: $tidy not found (scripts/install-deps.sh installs it)"; exit 1; }
[ -f "$build/compile_commands.json" ] || { echo "lint: no $build/compile_commands.json (build first)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ $# -gt 1 ]; then
  files=("${@:2}")
else
  mapfile -t files < <(git ls-files 'src/*.cpp' | grep -v '^src/core/ByteReader.cpp$')
fi
[ ${#files[@]} -gt 0 ] || { echo "lint: no sources found"; exit 1; }
# One run per file: what it printed in N.out and N.err, its exit status in N.status.
export tidy build work
for i in "${!files[@]}"; do printf '%s %s\n' "$i" "${files[$i]}"; done |
  xargs -P "$(nproc)" -L 1 bash -c 'status=0; "$tidy" -p "$build" --quiet "$1" >"$work/$0.out" 2>"$work/$0.err" || status=$?
                                    echo "$status" >"$work/$0.status"' || true

findings=""
broken=0
for i in "${!files[@]}"; do
  status=$(cat "$work/$i.status" 2>/dev/null || echo "not run")
  found=$(grep -E 'warning:|error:' "$work/$i.out" || true)
  findings+=${found:+$found$'\n'}
  # clang-tidy leaves with 1 over a finding it makes an error; any other failure is its own.
  if [ "$status" != 0 ] && { [ "$status" != 1 ] || [ -z "$found" ]; }; then
    broken=$((broken + 1))
    echo "lint: clang-tidy failed on ${files[$i]} (exit status $status)"
    tail -n 5 "$work/$i.err" 2>/dev/null | sed 's/^/      /'
  fi
done
findings=$(printf '%s' "$findings" | sort -u)
if [ -n "$findings" ]; then
  echo "$findings"
  echo "lint: $(echo "$findings" | wc -l) finding(s)"
fi
if [ -n "$findings" ] || [ "$broken" -gt 0 ]; then
  exit 1
fi
echo "lint: clean (${#files[@]} files)"
