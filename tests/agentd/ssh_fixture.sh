#!/usr/bin/env bash
# A throwaway agent host reached through SSH: OpenSSH's sshd on a free loopback port, with a
# host key, an authorized key and known_hosts made for the run, and ssh programs for
# PALOMET_SSH that log in with them (and with nothing of the caller's own ~/.ssh):
#   DIR/ssh          the right key, the host key known
#   DIR/ssh-unknown  a known_hosts without the host
#   DIR/ssh-changed  a known_hosts with another key for the host
#   DIR/ssh-wrongkey a key the host does not authorize
# Runs as root (sshd then needs /run/sshd) or as any user, who logs in as themself.
# Usage: ssh_fixture.sh start DIR   writes DIR/port and DIR/login (the user to log in as), sshd's log in DIR/sshd.log
#        ssh_fixture.sh stop DIR    stops that sshd and its connections (DIR stays; the caller removes it)
#        ssh_fixture.sh restart DIR  starts it again on the same port
#        ssh_fixture.sh drop DIR    ends the connections it serves, as a network that fails would
set -euo pipefail
action=$1
dir=$2

start_sshd() {
  /usr/sbin/sshd -f "$dir/sshd_config" -E "$dir/sshd.log"
  # Up when its port takes a connection.
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$(cat "$dir/port")") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "ssh_fixture: sshd did not start:" >&2
  cat "$dir/sshd.log" >&2
  return 1
}

# The processes that serve this sshd's connections (its children), by id.
end_connections() {
  local pid=$1 child
  for child in $(cat "/proc/$pid/task/"*/children 2>/dev/null); do kill "$child" 2>/dev/null || true; done
}

case $action in
start)
  mkdir -p "$dir"
  chmod 700 "$dir"
  for key in host user other; do ssh-keygen -q -t ed25519 -N '' -C "palomet-test-$key" -f "$dir/$key"; done
  cp "$dir/user.pub" "$dir/authorized_keys"
  port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  echo "$port" >"$dir/port"
  id -un >"$dir/login"
  hostkey=$(cut -d' ' -f1-2 "$dir/host.pub")
  echo "[127.0.0.1]:$port $hostkey" >"$dir/known_hosts"
  echo "[127.0.0.1]:$port $(cut -d' ' -f1-2 "$dir/other.pub")" >"$dir/known_hosts-changed"
  : >"$dir/known_hosts-unknown"
  [ "$(id -u)" -eq 0 ] && mkdir -p /run/sshd
  cat >"$dir/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $dir/host
AuthorizedKeysFile $dir/authorized_keys
PermitRootLogin prohibit-password
StrictModes no
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
AllowTcpForwarding yes
PidFile $dir/sshd.pid
EOF
  write_ssh() {  # NAME KEY KNOWN_HOSTS
    cat >"$dir/$1" <<EOF
#!/bin/sh
exec ssh -F /dev/null -oIdentityFile=$dir/$2 -oIdentitiesOnly=yes -oIdentityAgent=none \\
  -oUserKnownHostsFile=$dir/$3 -oGlobalKnownHostsFile=/dev/null "\$@"
EOF
    chmod 755 "$dir/$1"
  }
  write_ssh ssh user known_hosts
  write_ssh ssh-unknown user known_hosts-unknown
  write_ssh ssh-changed user known_hosts-changed
  write_ssh ssh-wrongkey other known_hosts
  start_sshd
  ;;
stop)
  if [ -f "$dir/sshd.pid" ]; then
    pid=$(cat "$dir/sshd.pid")
    end_connections "$pid"
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    rm -f "$dir/sshd.pid"
  fi
  ;;
restart)
  start_sshd
  ;;
drop)
  end_connections "$(cat "$dir/sshd.pid")"
  ;;
*)
  echo "usage: ssh_fixture.sh start|stop|restart|drop DIR" >&2
  exit 2
  ;;
esac
