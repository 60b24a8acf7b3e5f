#!/usr/bin/python3
"""An independent DCE RPC client (impacket) against palometsrv: endpoint-mapper lookup, bind,
a whole snapper cycle with the batches parsed by hand, faults for an unknown opnum and an
unknown interface. Usage: impacket_peer.py PORT EPM_PORT EXPECTED_FRAMES; exit 0 when all hold."""
import struct
import sys
import zlib

from impacket.dcerpc.v5 import epm, transport
from impacket.dcerpc.v5.rpcrt import DCERPCException, MSRPCBindAck
from impacket.uuid import uuidtup_to_bin

AGENT = uuidtup_to_bin(('3c2465f0-c2db-11d0-a71b-00a0249eee17', '1.0'))
# The serialised default capture configuration: schema, 11 flags, filter type, 2 option words, 4 empty lists.
CONF = struct.pack('<15L', 1, *([1] * 11), 0, 1, 1) + b'\0' * 8


def check(cond, what):
    if not cond:
        sys.exit(f'FAILED: {what}')


def connect(port):
    dce = transport.DCERPCTransportFactory(f'ncacn_ip_tcp:127.0.0.1[{port}]').get_dce_rpc()
    dce.connect()
    return dce


def call(dce, opnum, *words, body=b''):
    dce.call(opnum, struct.pack(f'<{len(words)}L', *words) + body)
    return dce.recv()


def expect_fault(action, text):
    try:
        action()
        check(False, f'no {text}')
    except DCERPCException as e:
        check(text in str(e), f'expected {text}: {e}')


def main():
    port, epm_port, expected = (int(a) for a in sys.argv[1:4])
    mapper = connect(epm_port)
    binding = epm.hept_map('127.0.0.1', AGENT, protocol='ncacn_ip_tcp', dce=mapper)
    check(binding == f'ncacn_ip_tcp:127.0.0.1[{port}]', f'ept_map answered {binding}')

    dce = connect(port)
    ack = MSRPCBindAck(dce.bind(AGENT).getData())
    # impacket offers the classic 4280-byte fragments: the agent sends no larger ones to it.
    check(ack['max_tfrag'] == 4280, f'bind ack sends fragments of {ack["max_tfrag"]} bytes')
    check(call(dce, 0) == call(dce, 1) == b'\0\0\0\0', 'ping and session create')
    expect_fault(lambda: call(dce, 9), 'nca_s_op_rng_error')
    snapper, status = struct.unpack('<LL', call(dce, 3, 60, 0, len(CONF), body=CONF + struct.pack('<L', len(CONF))))
    check(status == 0 and snapper != 0, f'start answered {snapper} {status}')

    frames = 0
    for _ in range(200):
        pending, status = struct.unpack('<LL', call(dce, 5, snapper))
        check(status == 0, f'query status {status}')
        if pending == 0 and frames >= expected:
            break
        if pending == 0:
            continue
        answer = call(dce, 6, snapper)
        length, referent, count = struct.unpack_from('<LLL', answer)
        check(referent != 0 and count == length, 'peek pointer and conformant count')
        check(answer[-4:] == b'\0\0\0\0', 'peek status')
        k, u = struct.unpack_from('<LL', answer, 12)
        batch = zlib.decompress(answer[20:12 + length])
        schema, _, _, k2 = struct.unpack_from('<LLLL', batch)
        check(len(batch) == u and schema == 1 and k2 == k, 'batch header')
        offset = 16
        for _ in range(k):
            number, = struct.unpack_from('<L', batch, offset + 12)
            check(number == frames, f'frame {frames} numbered {number}')
            offset += 36 + struct.unpack_from('<L', batch, offset + 32)[0]
            frames += 1
        check(offset == len(batch), 'batch length')
    check(frames == expected, f'{frames} frames peeked, {expected} expected')
    check(call(dce, 4, snapper) == b'\0\0\0\0', 'stop status')
    check(call(dce, 4, snapper) == b'\6\0\0\0', 'stopping twice names an invalid handle')
    check(call(dce, 2) == b'\0\0\0\0', 'session close status')

    expect_fault(lambda: connect(port).bind(uuidtup_to_bin(('12345678-1234-abcd-ef00-0123456789ab', '1.0'))),
                 'abstract_syntax_not_supported')
    print('impacket peer: all checks passed,', frames, 'frames')


if __name__ == '__main__':
    main()
