#!/usr/bin/env bash
# The SSH tunnel set-up of palometsrv --help, end to end on this machine: sshd on a free
# port stands for the agent host, the agent listens on loopback (127.0.0.2 here, so the
# tunnel's end can take the same port number on 127.0.0.1), ssh -L forwards the agent's and
# the mapper's ports, and palomet-cli pings the agent through the tunnel.
# Usage: ssh_tunnel.sh BIN_DIR SAMPLE.pcap
set -euo pipefail
bin=$1
sample=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
free_port() { /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
ssh_port=$(free_port)
agent_port=$(free_port)
epm_port=$(free_port)
local_epm=$(free_port)

ssh-keygen -q -t ed25519 -N '' -f "$work/host"
ssh-keygen -q -t ed25519 -N '' -f "$work/user"
cp "$work/user.pub" "$work/authorized_keys"
mkdir -p /run/sshd
cat >"$work/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $ssh_port
HostKey $work/host
AuthorizedKeysFile $work/authorized_keys
PermitRootLogin prohibit-password
StrictModes no
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
AllowTcpForwarding yes
PidFile $work/sshd.pid
EOF
/usr/sbin/sshd -D -f "$work/sshd_config" -E "$work/sshd.log" &
pids+=($!)

# The agent host: the agent on loopback with a fixed port.
"$bin/palometsrv" --replay "$sample" --listen 127.0.0.2 --port "$agent_port" --epm-port "$epm_port" >"$work/agent.out" 2>"$work/agent.log" &
pids+=($!)
for _ in $(seq 100); do grep -q 'mapper on port' "$work/agent.out" 2>/dev/null && break; sleep 0.1; done

# The desktop: the agent's port keeps its number, the mapper's may be any.
ssh -N -i "$work/user" -p "$ssh_port" -o BatchMode=yes -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null \
  -o ExitOnForwardFailure=yes -o LogLevel=ERROR \
  -L "127.0.0.1:$agent_port:127.0.0.2:$agent_port" -L "127.0.0.1:$local_epm:127.0.0.2:$epm_port" root@127.0.0.1 &
pids+=($!)
for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$local_epm") 2>/dev/null && break; sleep 0.1; done

if ! "$bin/palomet-cli" agent --server 127.0.0.1 --epm-port "$local_epm" --timeout 5 ping; then
  cat "$work/sshd.log" "$work/agent.log" >&2
  exit 1
fi
# The agent saw the tunnel's connections, from sshd on its own loopback.
grep -q 'agent: connection from 127.0.0.1:[0-9]* accepted' "$work/agent.log"
