#!/usr/bin/env bash
# Closing a capture whose agent hangs: palomet-cli capture runs against palometsrv, the
# agent is frozen (SIGSTOP), then the capture is interrupted (SIGINT, as Ctrl-C). Prints the
# time from the interrupt to a finished trace file, and checks that the file validates.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${PALOMET_BIN_DIR:-build/bench/bin}
work=$(mktemp -d)
agent_pid=""
capture_pid=""
cleanup() {
  [ -n "$agent_pid" ] && { kill -CONT "$agent_pid"; kill "$agent_pid"; } 2>/dev/null || true
  [ -n "$capture_pid" ] && kill "$capture_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/palometsrv" --replay tests/agentd/data/lan-600.pcap --loop --speed 1 --port 0 --epm-port 0 >"$work/agent.out" 2>"$work/agent.err" &
agent_pid=$!
for _ in $(seq 100); do grep -q "mapper on port" "$work/agent.out" 2>/dev/null && break; sleep 0.05; done
epm=$(grep -oP 'mapper on port \K[0-9]+' "$work/agent.out")

"$bin/palomet-cli" capture --server 127.0.0.1 --epm-port "$epm" --out "$work/hung.tns" >"$work/capture.out" 2>&1 &
capture_pid=$!
for _ in $(seq 200); do [ "$(stat -c %s "$work/hung.tns" 2>/dev/null || echo 0)" -gt 100000 ] && break; sleep 0.05; done
kill -STOP "$agent_pid"
sleep 1  # the next round's query is in flight and will not be answered
start=$(date +%s.%N)
kill -INT "$capture_pid"
wait "$capture_pid" || true
end=$(date +%s.%N)
capture_pid=""
kill -CONT "$agent_pid"
valid=$("$bin/palomet-cli" info "$work/hung.tns" | awk -F': *' '/^Validation/ {print $2}')
awk -v t0="$start" -v t1="$end" -v v="$valid" 'BEGIN { printf "hung agent: capture closed %.2f s after Ctrl-C; trace file %s\n", t1 - t0, v }'
