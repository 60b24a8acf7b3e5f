#!/usr/bin/env bash
# What clients can make the agent hold: six connections that start a snapper on a looping
# replay, peek, stop and stay connected, against --max-memory 32, and eight at the default
# budget (resident memory before, at the peak, while they idle and after they leave); and how
# long a manager's ping takes while eight bound connections from its own address stay silent.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/agent-lib.sh
budget_mb=${CLIENTS_BUDGET_MB:-32}

start_agent --replay samples/sample.pcap --loop --max-memory "$budget_mb"
/usr/bin/python3 bench/agent_clients.py memory "$agent_pid" "$port" 6 1
echo "agent-memory: --max-memory $budget_mb MiB"
stop_agent

start_agent --replay samples/sample.pcap --loop
/usr/bin/python3 bench/agent_clients.py memory "$agent_pid" "$port" 8 2
echo "agent-memory: --max-memory at its default"
stop_agent

start_agent --replay samples/sample.pcap
/usr/bin/python3 bench/agent_clients.py ping "$epm" "$port" 8 "$bin/palomet-cli"
stop_agent
