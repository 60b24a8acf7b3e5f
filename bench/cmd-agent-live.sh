#!/usr/bin/env bash
# The agent on a live interface (lo, as root): agent CPU per MB captured while a generator
# sends UDP on loopback and `palomet-cli capture` takes the frames; then the agent's peak
# memory with 16 snappers that are never peeked, under the same load, against --max-memory.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${LIVE_SECONDS:-6}
budget_mb=${LIVE_BUDGET_MB:-64}
if [ "$(id -u)" -ne 0 ]; then echo "agent-live: needs root to capture on lo; skipped"; exit 0; fi
source bench/agent-lib.sh

start_agent --interface lo
cpu0=$(cpu_ticks "$agent_pid")
/usr/bin/python3 bench/agent_load.py "$((seconds + 1))" >"$work/load.out" &
load_pid=$!
"$bin/palomet-cli" capture --server 127.0.0.1 --epm-port "$epm" --seconds "$seconds" --out "$work/live.tns" >"$work/capture.out" 2>&1 || true
cpu1=$(cpu_ticks "$agent_pid")
wait "$load_pid"
stop_agent
"$bin/palomet-cli" export "$work/live.tns" "$work/live.pcap" >/dev/null
frames=$(grep -oP '^\d+(?= frames)' "$work/capture.out")
bytes=$(( $(stat -c %s "$work/live.pcap") - 24 - 16 * frames ))
cat "$work/load.out"
awk -v f="$frames" -v b="$bytes" -v s="$seconds" -v c0="$cpu0" -v c1="$cpu1" -v hz="$hz" 'BEGIN {
  mb = b / 1e6; cpu = (c1 - c0) / hz;
  printf "agent-live: %d frames, %.1f MB of frames in %d s (%.1f MB/s); agent %.2f s CPU: %.1f ms CPU per MB\n", f, mb, s, mb / s, cpu, cpu * 1000 / mb;
}'

start_agent --interface lo --max-memory "$budget_mb"
/usr/bin/python3 bench/agent_load.py "$seconds" "$port" 16 >/dev/null
peak=$(grep -oP 'VmHWM:\s+\K[0-9]+' "/proc/$agent_pid/status")
rss=$(grep -oP 'VmRSS:\s+\K[0-9]+' "/proc/$agent_pid/status")
stop_agent
echo "agent-memory: 16 snappers never peeked under load, --max-memory $budget_mb MiB: peak RSS $((peak / 1024)) MiB, RSS at the end $((rss / 1024)) MiB"
