#!/usr/bin/env bash
# Runs every Google Benchmark binary, then every whole-command benchmark script (bench/cmd-*.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${PALOMET_BIN_DIR:-build/bench/bin}
for b in "$bin"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
for s in bench/cmd-*.sh; do
  [ -f "$s" ] || continue
  echo "== $(basename "$s")"
  PALOMET_BIN_DIR="$bin" bash "$s"
done
