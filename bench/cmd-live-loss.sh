#!/usr/bin/env bash
# Frames lost on a live interface at rising rates: tcpreplay sends the office mix into one end
# of a veth pair made for the run; on the other end `tcpdump -w` alone, then the agent with
# `palomet-cli capture` alone, take what arrives. For each rate it prints what was offered,
# what each kept and what each lost (the kernel's drops, and the agent's own), then the
# highest rate at which each lost nothing.
# LOSS_RATES: the rates in Mb/s ("top": as fast as tcpreplay sends); LOSS_SECONDS: about how
# long each rate is offered; LOSS_AGENT_ARGS: more options for the agent.
set -euo pipefail
cd "$(dirname "$0")/.."
rates=${LOSS_RATES:-"100 200 400 600 800 1000 top"}
seconds=${LOSS_SECONDS:-2}
sample_frames=40000
if [ "$(id -u)" -ne 0 ]; then echo "live-loss: needs root to make a veth pair; skipped"; exit 0; fi
if ! command -v tcpreplay >/dev/null || ! command -v tcpdump >/dev/null; then
  echo "live-loss: needs tcpreplay and tcpdump (scripts/install-deps.sh); skipped"; exit 0
fi
source bench/agent-lib.sh
source bench/data-lib.sh

# Names of at most 15 characters, unique to this run.
tx="plloss$$a"
rx="plloss$$b"
tcpdump_pid=""
finish() {
  if [ -n "$tcpdump_pid" ]; then kill "$tcpdump_pid" 2>/dev/null || true; fi
  ip link del "$tx" 2>/dev/null || true
  cleanup
}
trap finish EXIT
trap 'exit 130' INT TERM
if ! ip link add "$tx" type veth peer name "$rx" 2>/dev/null; then
  echo "live-loss: cannot make a veth pair here; skipped"; exit 0
fi
# No addresses and no IPv6 on the pair: nothing but the offered frames crosses it. The mix
# holds VLAN-tagged frames of 1518 bytes, above a 1500-byte MTU.
for dev in "$tx" "$rx"; do
  sysctl -qw "net.ipv6.conf.$dev.disable_ipv6=1" 2>/dev/null || true
  ip link set "$dev" mtu 9000 up
done

pcap=$(office_capture "$sample_frames" 7)
cat "$pcap" >/dev/null
pcap_bits=$(( $(stat -c %s "$pcap") * 8 ))

# loops_for RATE: how often the sample is sent so that RATE lasts about $seconds.
loops_for() {
  local mbps=$1
  [ "$1" = top ] && mbps=1000
  loops=$(( mbps * 1000000 * seconds / pcap_bits + 1 ))
}

# offer RATE: tcpreplay sends the sample $loops times; sets offered and mbps.
offer() {
  local speed=--mbps=$1
  [ "$1" = top ] && speed=--topspeed
  tcpreplay -i "$tx" "$speed" --loop="$loops" --preload-pcap "$pcap" >"$work/replay.out" 2>&1
  offered=$(grep -oP 'Successful packets:\s+\K[0-9]+' "$work/replay.out")
  mbps=$(grep -oP 'Rated: .*?, \K[0-9.]+(?= Mbps)' "$work/replay.out")
}

# wait_for FILE PATTERN: up to 5 s until FILE holds a line matching PATTERN.
wait_for() {
  for _ in $(seq 100); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.05; done
  return 1
}

# with_tcpdump RATE: sets td_kept, td_drops.
with_tcpdump() {
  tcpdump -i "$rx" -w "$work/td.pcap" 2>"$work/td.err" &
  tcpdump_pid=$!
  wait_for "$work/td.err" "listening on"
  offer "$1"
  # tcpdump reads a block of the kernel's ring when it is full or a second old: what is
  # still in one when it is interrupted is neither written nor counted as dropped.
  sleep 1.2
  kill -INT "$tcpdump_pid"
  wait "$tcpdump_pid" || true
  tcpdump_pid=""
  td_kept=$(grep -oP '^[0-9]+(?= packets captured)' "$work/td.err")
  td_drops=$(grep -oP '^[0-9]+(?= packets dropped by kernel)' "$work/td.err")
  rm -f "$work/td.pcap"
}

# with_agent RATE N: the agent's Nth snapper takes the frames; sets ag_kept, ag_drops,
# ag_kernel (the kernel's and the interface's drops).
with_agent() {
  local expect limit line
  if [ "$1" = top ]; then limit=$(( seconds * 3 + 3 )); else limit=$(( seconds * 2 + 3 )); fi
  expect=$(( sample_frames * loops ))
  "$bin/palomet-cli" capture --server 127.0.0.1 --epm-port "$epm" --out "$work/live.tns" \
    --frames "$expect" --seconds "$limit" >"$work/capture.out" 2>"$work/capture.err" &
  local capture_pid=$!
  wait_for "$work/agent.err" "snapper $2 started"
  offer "$1"
  wait "$capture_pid" || true
  wait_for "$work/agent.err" "snapper $2 stopped"
  ag_kept=$(grep -oP '^[0-9]+(?= frames)' "$work/capture.out")
  line=$(grep "snapper $2 stopped" "$work/agent.err")
  ag_drops=$(grep -oP 'it dropped \K[0-9]+' <<<"$line" || echo 0)
  ag_kernel=$(( $(grep -oP 'the kernel dropped \K[0-9]+' <<<"$line" || echo 0) + \
    $(grep -oP 'the interface dropped \K[0-9]+' <<<"$line" || echo 0) ))
  rm -f "$work/live.tns"
}

# shellcheck disable=SC2086  # options and their values
start_agent --interface "$rx" ${LOSS_AGENT_ARGS:-}
printf 'live-loss: %s, %d frames of the office mix looped; tcpdump -w, then agent + palomet-cli capture\n' "$rx" "$sample_frames"
printf '%6s | %-36s | %s\n' "" "tcpdump -w" "agent + palomet-cli capture"
printf '%6s | %8s %7s %8s %10s | %8s %7s %8s %10s %10s\n' rate offered Mb/s kept kernel-drop offered Mb/s written agent-drop kernel-drop
best_td=none
best_ag=none
n=0
for rate in $rates; do
  loops_for "$rate"
  with_tcpdump "$rate"
  td_offered=$offered td_mbps=$mbps
  n=$((n + 1))
  with_agent "$rate" "$n"
  printf '%6s | %8s %7.1f %8s %10s | %8s %7.1f %8s %10s %10s\n' "$rate" "$td_offered" "$td_mbps" "$td_kept" \
    "$td_drops" "$offered" "$mbps" "$ag_kept" "$ag_drops" "$ag_kernel"
  if [ "$td_kept" -ge "$td_offered" ] && [ "$td_drops" -eq 0 ]; then best_td="$rate ($td_mbps Mb/s)"; fi
  if [ "$ag_kept" -ge "$offered" ] && [ "$ag_drops" -eq 0 ] && [ "$ag_kernel" -eq 0 ]; then best_ag="$rate ($mbps Mb/s)"; fi
done
stop_agent
echo "live-loss: highest rate with nothing lost: tcpdump $best_td; agent + capture $best_ag"
