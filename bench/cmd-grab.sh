#!/usr/bin/env bash
# End-to-end capture throughput on loopback: palometsrv replays a sample in a loop as fast
# as it is taken, `palomet-cli agent grab` pulls GRAB_FRAMES frames into a trace file.
# Prints frames/s, MB/s of frame bytes and of trace file, and the agent's CPU per MB.
# GRAB_AGENT_ARGS adds agent options (e.g. --pack-level 0).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${PALOMET_BIN_DIR:-build/bin}
frames=${GRAB_FRAMES:-300000}
sample=${GRAB_SAMPLE:-tests/agentd/data/lan-600.pcap}
work=$(mktemp -d)
agent_pid=""
cleanup() {
  [ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/palometsrv" --replay "$sample" --loop --port 0 --epm-port 0 ${GRAB_AGENT_ARGS:-} >"$work/agent.out" &
agent_pid=$!
for _ in $(seq 50); do grep -q "mapper on port" "$work/agent.out" 2>/dev/null && break; sleep 0.1; done
epm=$(grep -oP 'mapper on port \K[0-9]+' "$work/agent.out")

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
ticks_per_second=$(getconf CLK_TCK)

cpu_before=$(cpu_ticks "$agent_pid")
start=$(date +%s.%N)
"$bin/palomet-cli" agent --server 127.0.0.1 --epm-port "$epm" grab --frames "$frames" --out "$work/grab.tns" >"$work/grab.out"
end=$(date +%s.%N)
cpu_after=$(cpu_ticks "$agent_pid")

# Frame bytes: the trace's frames, each as captured (the pcap record headers excluded).
cat "$work/grab.out"
got=$(grep -oP '^\d+(?= frames)' "$work/grab.out")
sample_frames=$(/usr/bin/python3 -c "import sys; from scapy.all import rdpcap; print(len(rdpcap(sys.argv[1])))" "$sample")
sample_bytes=$(( $(stat -c %s "$sample") - 24 - 16 * sample_frames ))
trace_bytes=$(stat -c %s "$work/grab.tns")

awk -v f="$got" -v sf="$sample_frames" -v sb="$sample_bytes" -v tb="$trace_bytes" \
    -v t0="$start" -v t1="$end" -v c0="$cpu_before" -v c1="$cpu_after" -v hz="$ticks_per_second" 'BEGIN {
  secs = t1 - t0; mb = f * (sb / sf) / 1e6; cpu = (c1 - c0) / hz;
  printf "grab: %d frames in %.2f s: %.0f frames/s, %.1f MB/s of frames, %.1f MB/s of trace file\n", f, secs, f / secs, mb / secs, tb / 1e6 / secs;
  printf "agent: %.2f s CPU for %.1f MB of frames: %.1f ms CPU per MB\n", cpu, mb, cpu * 1000 / mb;
}'
