# Sourced by the whole-command benchmarks that run an agent: a scratch folder that goes, with
# the agent, when the script ends; the agent started on free ports; CPU ticks of a process.
bin=${PALOMET_BIN_DIR:-build/bench/bin}
work=$(mktemp -d)
agent_pid=""
cleanup() {
  [ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# start_agent ARGS...: palometsrv with ARGS on free ports; sets agent_pid, port and epm.
start_agent() {
  "$bin/palometsrv" --port 0 --epm-port 0 "$@" >"$work/agent.out" 2>"$work/agent.err" &
  agent_pid=$!
  for _ in $(seq 100); do grep -q "mapper on port" "$work/agent.out" 2>/dev/null && break; sleep 0.05; done
  port=$(grep -oP 'interface on \S+ port \K[0-9]+' "$work/agent.out" || true)
  epm=$(grep -oP 'mapper on port \K[0-9]+' "$work/agent.out")
}
stop_agent() { kill "$agent_pid"; wait "$agent_pid" || true; agent_pid=""; }

# capture_for LIMIT SERVER [NAME=VALUE...]: palomet-cli capture from the agent through
# SERVER until LIMIT ("--seconds N" or "--frames N"), in the environment given, into
# $work/live.tns; sets frames, wall (s from session opening to finished file), client_cpu
# (s, palomet-cli with every program it ran, ssh's included) and agent_cpu (s) and
# trace_bytes.
capture_for() {
  local limit=$1 server=$2 before after user sys
  shift 2
  before=$(cpu_ticks "$agent_pid")
  # shellcheck disable=SC2086  # the limit is an option and its value
  /usr/bin/python3 bench/cpu_of.py "$work/time" env "$@" "$bin/palomet-cli" capture --server "$server" \
    --epm-port "$epm" --out "$work/live.tns" $limit >"$work/capture.out" 2>"$work/capture.err"
  after=$(cpu_ticks "$agent_pid")
  read -r wall user sys <"$work/time"
  client_cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
  agent_cpu=$(awk -v a="$before" -v b="$after" -v hz="$hz" 'BEGIN { print (b - a) / hz }')
  frames=$(grep -oP '^\d+(?= frames)' "$work/capture.out")
  trace_bytes=$(stat -c %s "$work/live.tns")
}

# The frame bytes of a pcap sample per frame, its record headers excluded.
frame_bytes_per_frame() {
  /usr/bin/python3 -c "import os, sys; from scapy.all import rdpcap; n = len(rdpcap(sys.argv[1])); print((os.path.getsize(sys.argv[1]) - 24 - 16 * n) / n)" "$1"
}
