#!/usr/bin/python3
"""An independent DCE RPC client (impacket) against palometsrv: endpoint-mapper lookup,
bind, the session procedures, a whole snapper cycle, faults for an unknown opnum and an
unknown interface. Usage: impacket_peer.py PORT EPM_PORT [EXPECTED_FRAMES]. Exit 0 when
every check holds."""
import struct
import sys
import zlib

from impacket.dcerpc.v5 import epm, transport
from impacket.dcerpc.v5.rpcrt import DCERPCException
from impacket.uuid import uuidtup_to_bin

AGENT = uuidtup_to_bin(('3c2465f0-c2db-11d0-a71b-00a0249eee17', '1.0'))
# The serialised default capture configuration: schema, 11 flags, filter type, 2 option words, 4 empty lists.
DEFAULT_CONF = struct.pack('<12LLLL', 1, *([1] * 11), 0, 1, 1) + b'\0' * 8


def check(cond, what):
    if not cond:
        print('FAILED:', what)
        sys.exit(1)


def connect(port):
    dce = transport.DCERPCTransportFactory(f'ncacn_ip_tcp:127.0.0.1[{port}]').get_dce_rpc()
    dce.connect()
    return dce


def call(dce, opnum, body=b''):
    dce.call(opnum, body)
    return dce.recv()


def main():
    port, epm_port = int(sys.argv[1]), int(sys.argv[2])
    expected = int(sys.argv[3]) if len(sys.argv) > 3 else None

    mapper = connect(epm_port)
    binding = epm.hept_map('127.0.0.1', AGENT, protocol='ncacn_ip_tcp', dce=mapper)
    check(binding == f'ncacn_ip_tcp:127.0.0.1[{port}]', f'ept_map answered {binding}')
    mapper.disconnect()

    dce = connect(port)
    dce.bind(AGENT)
    for opnum in (0, 1):
        check(call(dce, opnum) == b'\0\0\0\0', f'opnum {opnum} status')

    try:
        call(dce, 9)
        check(False, 'opnum 9 answered')
    except DCERPCException as e:
        check('nca_s_op_rng_error' in str(e), f'opnum 9 fault: {e}')

    request = struct.pack('<LLL', 60, 0, len(DEFAULT_CONF)) + DEFAULT_CONF + struct.pack('<L', len(DEFAULT_CONF))
    answer = call(dce, 3, request)
    snapper, status = struct.unpack('<LL', answer)
    check(status == 0 and snapper != 0, f'start answered {snapper} {status}')

    frames = 0
    numbers_ok = True
    for _ in range(200):
        pending, status = struct.unpack('<LL', call(dce, 5, struct.pack('<L', snapper)))
        check(status == 0, f'query status {status}')
        if pending == 0:
            if expected is None or frames >= expected:
                break
            continue
        answer = call(dce, 6, struct.pack('<L', snapper))
        length, referent = struct.unpack_from('<LL', answer)
        check(referent != 0, 'peek with frames pending returned a null pointer')
        count, = struct.unpack_from('<L', answer, 8)
        check(count == length, 'conformant count differs from len')
        result = answer[12:12 + length]
        k, u = struct.unpack_from('<LL', result)
        batch = zlib.decompress(result[8:])
        check(len(batch) == u, 'inflated size differs from u')
        schema, _, _, k2 = struct.unpack_from('<LLLL', batch)
        check(schema == 1 and k2 == k, 'batch header')
        offset = 16
        for _ in range(k):
            number, = struct.unpack_from('<L', batch, offset + 12)
            numbers_ok &= number == frames
            n, = struct.unpack_from('<L', batch, offset + 32)
            offset += 36 + n
            frames += 1
        check(offset == len(batch), 'batch length')
        check(struct.unpack_from('<L', answer, len(answer) - 4)[0] == 0, 'peek status')
    check(numbers_ok, 'frame numbers run from 0 without a gap')
    if expected is not None:
        check(frames == expected, f'{frames} frames peeked, {expected} expected')
    check(call(dce, 4, struct.pack('<L', snapper)) == b'\0\0\0\0', 'stop status')
    check(call(dce, 4, struct.pack('<L', snapper)) == b'\6\0\0\0', 'stopping twice names an invalid handle')
    check(call(dce, 2) == b'\0\0\0\0', 'session close status')
    dce.disconnect()

    other = connect(port)
    try:
        other.bind(uuidtup_to_bin(('12345678-1234-abcd-ef00-0123456789ab', '1.0')))
        check(False, 'an unknown interface was accepted')
    except DCERPCException as e:
        check('abstract_syntax_not_supported' in str(e), f'unknown interface: {e}')
    other.disconnect()
    print('impacket peer: all checks passed,', frames, 'frames')


if __name__ == '__main__':
    main()
