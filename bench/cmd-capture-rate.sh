#!/usr/bin/env bash
# Capture at line rate, end to end: palometsrv replays the 1,000,000-frame office mix once,
# as fast as it is taken, and `palomet-cli capture --frames 1000000` writes the trace file;
# the file is then exported and its frames checked byte for byte (stamps, lengths, bytes,
# order) against the pcap. Once per way of packing (the default, which stores batches while
# the packers fall behind; every batch compressed at level 1; level 0), directly over TCP,
# and once through ssh:// when a throwaway sshd can run. Prints MB/s of frames, the CPU per
# MB of frames of the agent and of the manager (with its ssh), the trace file's size, the
# frames the agent dropped and the frames that differ. RATE_FRAMES makes a smaller run.
set -euo pipefail
cd "$(dirname "$0")/.."
frames_wanted=${RATE_FRAMES:-1000000}
source bench/agent-lib.sh
source bench/data-lib.sh
sample=$(office_capture "$frames_wanted" 7)
frame_mb=$(awk -v s="$(stat -c %s "$sample")" -v n="$frames_wanted" 'BEGIN { print (s - 24 - 16 * n) / 1e6 }')
cat "$sample" >/dev/null  # in the page cache for every run alike

ssh_ready=""
if bash tests/agentd/ssh_fixture.sh start "$work/sshd" >/dev/null 2>&1; then
  ssh_ready=1
  trap 'bash tests/agentd/ssh_fixture.sh stop "$work/sshd"; cleanup' EXIT
  mkdir -m 700 "$work/run"
fi

run() {  # NAME LINK AGENT-OPTIONS...
  local name=$1 link=$2
  shift 2
  start_agent --replay "$sample" "$@"
  if [ "$link" = ssh ]; then
    capture_for "--frames $frames_wanted" "ssh://$(cat "$work/sshd/login")@127.0.0.1:$(cat "$work/sshd/port")" \
      PALOMET_SSH="$work/sshd/ssh" XDG_RUNTIME_DIR="$work/run"
  else
    capture_for "--frames $frames_wanted" 127.0.0.1
  fi
  stop_agent
  local dropped differ
  dropped=$(grep -oP 'dropped \K\d+' "$work/agent.err" | paste -sd+ | bc 2>/dev/null || echo 0)
  "$bin/palomet-cli" export "$work/live.tns" "$work/back.pcap" >/dev/null
  # Every record (stamp, lengths, bytes) in the same order: the files past their headers.
  if cmp -s <(tail -c +25 "$sample") <(tail -c +25 "$work/back.pcap"); then differ=0; else differ="some"; fi
  awk -v name="$name" -v link="$link" -v f="$frames" -v mb="$frame_mb" -v want="$frames_wanted" -v wall="$wall" \
      -v agent="$agent_cpu" -v client="$client_cpu" -v tb="$trace_bytes" -v lost="${dropped:-0}" -v differ="$differ" 'BEGIN {
    printf "%-34s %-6s %7d frames in %5.2f s: %6.1f MB/s; CPU per MB: agent %5.2f ms, manager %5.2f ms, both %5.2f ms; file %5.1f MB; %d dropped, %s differ\n",
      name, link, f, wall, mb * f / want / wall, agent * 1000 / mb, client * 1000 / mb, (agent + client) * 1000 / mb, tb / 1e6, lost, differ;
  }'
  rm -f "$work/live.tns" "$work/back.pcap"
}

run "level 1, stored while packers lag" direct
run "level 1, every batch compressed" direct --always-pack
run "level 0" direct --pack-level 0
if [ -n "$ssh_ready" ]; then
  run "level 1, stored while packers lag" ssh
else
  echo "capture-rate: no sshd could start here; the ssh:// link was not measured"
fi
