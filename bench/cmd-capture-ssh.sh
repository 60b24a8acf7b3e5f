#!/usr/bin/env bash
# The same replay taken straight over TCP and through ssh:// in one run: palometsrv replays a
# sample in a loop on loopback as fast as it is taken, a throwaway sshd on a free port stands
# for its host's SSH (tests/agentd/ssh_fixture.sh), and `palomet-cli capture --frames N`
# (CAPTURE_FRAMES, 600000) takes it directly and through SSH in turn, CAPTURE_ROUNDS times
# (3). The same frames each way, so the time each took is the measure even on a busy
# machine; through SSH it includes the login. Prints MB/s of frames each way, their ratio,
# and the CPU per MB of frames of the agent, of the manager (through SSH with its ssh
# programs: the connection's master and channels) and of sshd.
set -euo pipefail
cd "$(dirname "$0")/.."
limit="--frames ${CAPTURE_FRAMES:-600000}"
rounds=${CAPTURE_ROUNDS:-3}
sample=${CAPTURE_SAMPLE:-tests/agentd/data/lan-600.pcap}
source bench/agent-lib.sh
trap 'bash tests/agentd/ssh_fixture.sh stop "$work/sshd"; cleanup' EXIT
bash tests/agentd/ssh_fixture.sh start "$work/sshd" >/dev/null
server="ssh://$(cat "$work/sshd/login")@127.0.0.1:$(cat "$work/sshd/port")"
mkdir -m 700 "$work/run"
start_agent --replay "$sample" --loop
per_frame=$(frame_bytes_per_frame "$sample")

# CPU ticks of the children a process has reaped.
reaped_ticks() { awk '{ print $16 + $17 }' "/proc/$1/stat"; }

report() {  # WAY FRAMES WALL AGENT_CPU CLIENT_CPU [SSHD_CPU]
  awk -v way="$1" -v f="$2" -v pf="$per_frame" -v wall="$3" -v agent="$4" -v client="$5" -v sshd="${6:-}" 'BEGIN {
    mb = f * pf / 1e6;
    printf "%-6s %9d frames, %7.1f MB of frames in %5.1f s: %6.1f MB/s; CPU per MB: agent %5.1f ms, manager %5.1f ms", way, f, mb, wall, mb / wall, agent * 1000 / mb, client * 1000 / mb;
    if (sshd != "") printf " (with its ssh), sshd %5.1f ms", sshd * 1000 / mb;
    printf "\n";
  }'
}

add() { awk -v a="$1" -v b="$2" 'BEGIN { print a + b }'; }
d_frames=0 d_wall=0 d_agent=0 d_client=0 s_frames=0 s_wall=0 s_agent=0 s_client=0 s_sshd=0
for _ in $(seq "$rounds"); do
  capture_for "$limit" 127.0.0.1
  report direct "$frames" "$wall" "$agent_cpu" "$client_cpu"
  d_frames=$(add "$d_frames" "$frames") d_wall=$(add "$d_wall" "$wall")
  d_agent=$(add "$d_agent" "$agent_cpu") d_client=$(add "$d_client" "$client_cpu")

  sshd_pid=$(cat "$work/sshd/sshd.pid")
  before=$(reaped_ticks "$sshd_pid")
  capture_for "$limit" "$server" PALOMET_SSH="$work/sshd/ssh" XDG_RUNTIME_DIR="$work/run"
  # sshd's process for the connection counts once sshd has reaped it.
  for _ in $(seq 40); do [ -z "$(cat "/proc/$sshd_pid/task/"*/children)" ] && break; sleep 0.05; done
  sshd_cpu=$(awk -v a="$before" -v b="$(reaped_ticks "$sshd_pid")" -v hz="$hz" 'BEGIN { print (b - a) / hz }')
  report ssh "$frames" "$wall" "$agent_cpu" "$client_cpu" "$sshd_cpu"
  s_frames=$(add "$s_frames" "$frames") s_wall=$(add "$s_wall" "$wall")
  s_agent=$(add "$s_agent" "$agent_cpu") s_client=$(add "$s_client" "$client_cpu") s_sshd=$(add "$s_sshd" "$sshd_cpu")
done
echo "all rounds:"
report direct "$d_frames" "$d_wall" "$d_agent" "$d_client"
report ssh "$s_frames" "$s_wall" "$s_agent" "$s_client" "$s_sshd"
awk -v df="$d_frames" -v dw="$d_wall" -v sf="$s_frames" -v sw="$s_wall" 'BEGIN {
  printf "capture-ssh: throughput through SSH is %.0f %% of the direct link'\''s\n", 100 * (sf / sw) / (df / dw);
}'
