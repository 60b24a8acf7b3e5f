#!/usr/bin/python3
"""Clients that hold on to the agent, and what the agent keeps resident meanwhile.

  agent_clients.py memory AGENT_PID PORT [CONNECTIONS [SECONDS]]
      CONNECTIONS clients (6) connect at once; each starts a snapper, lets it fill for
      SECONDS (1), peeks, stops it and stays connected, idle. Prints the agent's resident
      memory before, at its peak, while they idle, and once they have left (MiB).
  agent_clients.py ping EPM_PORT PORT [PEERS [CLI]]
      PEERS connections (8) from 127.0.0.1 bind and then stay silent; then CLI (palomet-cli)
      pings the agent. Prints how long the ping took and how it ended."""
import struct
import subprocess
import sys
import threading
import time

from impacket.dcerpc.v5 import transport
from impacket.uuid import uuidtup_to_bin

AGENT = uuidtup_to_bin(('3c2465f0-c2db-11d0-a71b-00a0249eee17', '1.0'))
CONF = struct.pack('<15L', 1, *([1] * 11), 0, 1, 1) + b'\0' * 8


def connect(port):
    dce = transport.DCERPCTransportFactory(f'ncacn_ip_tcp:127.0.0.1[{port}]').get_dce_rpc()
    dce.connect()
    dce.bind(AGENT)
    return dce


def call(dce, opnum, body):
    dce.call(opnum, body)
    return dce.recv()


def drain(dce, opnum, body):
    """One call whose reply is read fragment by fragment and thrown away (impacket joins the
    fragments of a large reply at a cost that grows with the square of its size); the reply's
    bytes."""
    dce.call(opnum, body)
    sock = dce.get_rpc_transport().get_socket()

    def read(n):
        data = bytearray()
        while len(data) < n:
            chunk = sock.recv(n - len(data))
            if not chunk:
                raise ConnectionError('the agent closed the connection')
            data += chunk
        return data

    total = 0
    while True:
        head = read(16)
        length = struct.unpack_from('<H', head, 8)[0]
        total += len(read(length - 16))
        if head[3] & 0x02:  # the last fragment
            return total


def resident(pid):
    fields = {}
    with open(f'/proc/{pid}/status') as status:
        for line in status:
            name, _, value = line.partition(':')
            fields[name] = value.split()
    return int(fields['VmRSS'][0]) / 1024, int(fields['VmHWM'][0]) / 1024


def settle(pid, seconds=2.0):
    """Resident memory once it has stopped falling (freed memory may go back a little later)."""
    time.sleep(seconds)
    return resident(pid)[0]


def memory(pid, port, connections=6, seconds=1.0):
    before = settle(pid, 0.5)
    ready = threading.Barrier(connections)
    clients = [None] * connections
    peeked = [0] * connections

    def client(i):
        dce = connect(port)
        clients[i] = dce
        ready.wait()
        snapper, status = struct.unpack('<LL', call(dce, 3, struct.pack('<3L', 60, 0, len(CONF)) + CONF +
                                                     struct.pack('<L', len(CONF))))
        if status != 0:
            return
        time.sleep(seconds)
        call(dce, 5, struct.pack('<L', snapper))
        peeked[i] = drain(dce, 6, struct.pack('<L', snapper))
        call(dce, 4, struct.pack('<L', snapper))

    threads = [threading.Thread(target=client, args=(i,)) for i in range(connections)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    idle = settle(pid)
    for dce in clients:
        if dce is not None:
            dce.get_rpc_transport().disconnect()
    after = settle(pid)
    peak = resident(pid)[1]
    print(f'agent-memory: {connections} connections start, peek ({sum(peeked) / 2**20:.1f} MiB handed over), '
          f'stop and idle: resident {before:.0f} MiB before, peak {peak:.0f} MiB, {idle:.0f} MiB while they idle, '
          f'{after:.0f} MiB after they left')


def ping(epm_port, port, peers=8, cli='build/bin/palomet-cli'):
    silent = [connect(port) for _ in range(peers)]
    begun = time.monotonic()
    done = subprocess.run([cli, 'agent', '--server', '127.0.0.1', '--epm-port', str(epm_port), '--timeout', '10',
                           'ping'], capture_output=True, text=True)
    took = time.monotonic() - begun
    answer = 'answered' if done.returncode == 0 else 'failed: ' + ' '.join((done.stdout + done.stderr).split())
    print(f'agent-ping: with {peers} bound silent peers from 127.0.0.1 the ping {answer} in {took:.2f} s')
    for dce in silent:
        dce.get_rpc_transport().disconnect()


def main():
    mode, args = sys.argv[1], sys.argv[2:]
    if mode == 'memory':
        memory(int(args[0]), int(args[1]), *(int(a) for a in args[2:3]), *(float(a) for a in args[3:4]))
    elif mode == 'ping':
        ping(int(args[0]), int(args[1]), *(int(a) for a in args[2:3]), *args[3:4])
    else:
        sys.exit(__doc__)


if __name__ == '__main__':
    main()
