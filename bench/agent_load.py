#!/usr/bin/python3
"""Load for the live-capture benchmark: UDP datagrams on loopback as fast as this process
sends them for SECONDS, and optionally a client that starts SNAPPERS snappers on the agent
and never peeks. Usage: agent_load.py SECONDS [AGENT_PORT SNAPPERS]"""
import socket
import struct
import sys
import time

from impacket.dcerpc.v5 import transport
from impacket.uuid import uuidtup_to_bin

AGENT = uuidtup_to_bin(('3c2465f0-c2db-11d0-a71b-00a0249eee17', '1.0'))
CONF = struct.pack('<15L', 1, *([1] * 11), 0, 1, 1) + b'\0' * 8


def start_snappers(port, count):
    dce = transport.DCERPCTransportFactory(f'ncacn_ip_tcp:127.0.0.1[{port}]').get_dce_rpc()
    dce.connect()
    dce.bind(AGENT)
    for _ in range(count):
        dce.call(3, struct.pack('<3L', 60, 0, len(CONF)) + CONF + struct.pack('<L', len(CONF)))
        dce.recv()
    return dce


def main():
    seconds = float(sys.argv[1])
    held = start_snappers(int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) > 3 else None
    sink = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sink.bind(('127.0.0.1', 0))
    sink.setblocking(False)
    out = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    payload = bytes(range(256)) * 5 + bytes(120)  # 1400 bytes
    end = time.monotonic() + seconds
    sent = 0
    while time.monotonic() < end:
        for _ in range(64):
            out.sendto(payload, sink.getsockname())
            sent += 1
        try:
            while True:
                sink.recv(2048)
        except BlockingIOError:
            pass
    print(f'load: {sent} datagrams of 1400 bytes in {seconds:.0f} s')
    if held is not None:
        held.disconnect()


main()
