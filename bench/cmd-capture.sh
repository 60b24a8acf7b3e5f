#!/usr/bin/env bash
# End-to-end live capture on loopback: palometsrv replays a sample in a loop as fast as it
# is taken, `palomet-cli capture --seconds N` writes the trace as a capture window would.
# Prints MB/s of frames and of trace file written over the whole run (session, capture, and
# the drain of what the agent held when the time was up), and the CPU each side spent per
# MB of frames. CAPTURE_SECONDS (default 10) and CAPTURE_SAMPLE choose the run;
# CAPTURE_AGENT_ARGS adds agent options (e.g. --pack-level 0).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${CAPTURE_SECONDS:-10}
sample=${CAPTURE_SAMPLE:-tests/agentd/data/lan-600.pcap}
source bench/agent-lib.sh
# shellcheck disable=SC2086  # the options are words
start_agent --replay "$sample" --loop ${CAPTURE_AGENT_ARGS:-}

capture_for "--seconds $seconds" 127.0.0.1
cat "$work/capture.out"
per_frame=$(frame_bytes_per_frame "$sample")
dropped=$(grep -oP 'dropped \K\d+' "$work/agent.err" | paste -sd+ | bc 2>/dev/null || echo 0)

awk -v f="$frames" -v pf="$per_frame" -v tb="$trace_bytes" -v secs="$seconds" -v wall="$wall" \
    -v agent="$agent_cpu" -v client="$client_cpu" -v lost="${dropped:-0}" 'BEGIN {
  mb = f * pf / 1e6;
  printf "capture: %d frames, %.1f MB of frames, in %.1f s from session opening to finished file (%d s of capture, then the drain): %.0f frames/s, %.1f MB/s of frames, %.1f MB/s of trace file; %d frames lost by the agent\n", f, mb, wall, secs, f / wall, mb / wall, tb / 1e6 / wall, lost;
  printf "agent:   %.2f s CPU, %.1f ms per MB of frames\n", agent, agent * 1000 / mb;
  printf "manager: %.2f s CPU, %.1f ms per MB of frames\n", client, client * 1000 / mb;
}'
