#!/usr/bin/env bash
# The main job of the product, on this machine: palometsrv replays the bundled sample on
# loopback (free ports). With a display, the workbench opens a live capture window on it with
# samples/sample.tns beside it, until it is closed; without one, palomet-cli captures from it
# live for a few seconds and lists what came in. Then the agent is stopped. The trace stays
# in build/run/live.tns.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${PALOMET_BIN_DIR:-build/release/bin}
seconds=${RUN_SECONDS:-3}
out=build/run
mkdir -p "$out"
agent_pid=""
stop_agent() {
  if [ -n "$agent_pid" ]; then
    kill "$agent_pid" 2>/dev/null || true
    wait "$agent_pid" 2>/dev/null || true
    agent_pid=""
  fi
}
trap stop_agent EXIT

"$bin/palometsrv" --replay samples/sample.pcap --loop --speed 1 --port 0 --epm-port 0 >"$out/agent.out" 2>&1 &
agent_pid=$!
for _ in $(seq 100); do grep -q "mapper on port" "$out/agent.out" 2>/dev/null && break; sleep 0.05; done
epm=$(grep -oP 'mapper on port \K[0-9]+' "$out/agent.out") || { cat "$out/agent.out"; exit 1; }
echo "== palometsrv (pid $agent_pid) replays samples/sample.pcap on 127.0.0.1; endpoint mapper on port $epm"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/palomet" ]; then
  echo "== palomet --live 127.0.0.1:$epm --out $out/live.tns samples/sample.tns (close the window to stop)"
  "$bin/palomet" --live "127.0.0.1:$epm" --out "$out/live.tns" samples/sample.tns
  stop_agent
  echo "== agent stopped; the capture is in $out/live.tns"
  "$bin/palomet-cli" info "$out/live.tns" | sed -n 1,6p
  exit 0
fi

echo "== palomet-cli capture --server 127.0.0.1 --epm-port $epm --out $out/live.tns --seconds $seconds"
"$bin/palomet-cli" capture --server 127.0.0.1 --epm-port "$epm" --out "$out/live.tns" --seconds "$seconds"

echo "== palomet-cli info $out/live.tns"
"$bin/palomet-cli" info "$out/live.tns" | sed -n 1,6p
echo "== palomet-cli list $out/live.tns --count 20"
"$bin/palomet-cli" list "$out/live.tns" --count 20

stop_agent
echo "== agent stopped; the capture is in $out/live.tns"
