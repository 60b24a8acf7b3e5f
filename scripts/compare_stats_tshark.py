"""Compares palomet-cli stats with tshark's statistics on generated captures: a LAN mix
(IPv4 hosts talking DNS, NBNS, HTTP, FTP, SMTP, POP3 and Telnet, ARP, ICMP) and an IPv6/VLAN
mix (802.1Q and 802.1ad tags over IPv4 and IPv6, extension headers, ICMPv6), plus any pcap
files given. For each capture:

  --protocols            against  -z io,phs        frames and bytes of every path both show
  --conversations ip     against  -z conv,ip       frames and bytes each way, start, duration
  --conversations ipv6   against  -z conv,ipv6
  --conversations tcp    against  -z conv,tcp
  --conversations udp    against  -z conv,udp
  --endpoints ip         against  -z endpoints,ip  frames and bytes, sent and received
  --io 1s, --io 100ms    against  -z io,stat,1 and -z io,stat,0.1

Where the definitions differ the numbers are not compared, and the report says so:
  * a protocol hierarchy path with a layer only one side decodes (tshark's "data", "tls",
    "ntp"...) is listed as shown by one side only;
  * HTTP: tshark counts a segment as HTTP only when its dissector reads a request or
    response in it (the rest of a body is "data" or reassembly), palomet every segment with
    data to or from port 80;
  * tshark shows conversation bytes of 10,000 and more in kB (or MB), rounded down: those
    are compared at that precision; its duration has four decimals, compared to within
    their last place;
  * a datagram to or from port 53 too short for a DNS header (1 to 11 bytes) is DNS for
    palomet and a malformed packet, outside the "dns" row, for tshark: the generated
    captures carry none;
  * tshark names an 802.1ad tag "ieee8021ad", palomet "VLAN" as it names an 802.1Q tag.
Bytes are the frame's length on the wire on both sides.

Run by scripts/check-stats-tshark.sh (which installs tshark):
  /usr/bin/python3 scripts/compare_stats_tshark.py PALOMET_CLI WORK_DIR [FRAMES] [PCAP...]
Exit status 1 on any disagreement.
"""
import random
import re
import subprocess
import sys
from scapy.all import Ether, IP, TCP, UDP, ICMP, ARP, Raw, wrpcap
from scapy.layers.l2 import Dot1Q, Dot1AD
from scapy.layers.inet6 import IPv6, IPv6ExtHdrHopByHop, ICMPv6EchoRequest, ICMPv6EchoReply, RouterAlert
from scapy.layers.dns import DNS, DNSQR, DNSRR

MACS = ['00:00:0c:12:34:%02x', '00:a0:c9:ab:cd:%02x', '08:00:09:0a:0b:%02x', '00:50:da:01:02:%02x']
TCP_SERVICES = [(80, b'GET /index.html HTTP/1.0\r\nHost: example.com\r\n\r\n', b'HTTP/1.0 200 OK\r\n\r\n' + b'x' * 900),
                (21, b'USER anonymous\r\n', b'331 Guest login ok\r\n'),
                (25, b'HELO mail.example.com\r\n', b'250 Hello\r\n'),
                (110, b'USER bob\r\n', b'+OK\r\n'),
                (23, b'ls\r\n', b'file1 file2\r\n'),
                (8080, b'\x16\x03\x01' + b'q' * 300, b'\x16\x03\x03' + b'r' * 1200)]

# tshark's dissector names for the layers palomet decodes.
NAMES = {'eth': 'Ethernet', 'vlan': 'VLAN', 'ip': 'IPv4', 'ipv6': 'IPv6', 'arp': 'ARP', 'icmp': 'ICMP',
         'icmpv6': 'ICMPv6', 'tcp': 'TCP', 'udp': 'UDP', 'dns': 'DNS', 'nbns': 'NBNS', 'ftp': 'FTP', 'smtp': 'SMTP',
         'telnet': 'Telnet', 'pop': 'POP3', 'http': 'HTTP', 'sll': 'Linux cooked',
         # palomet names an 802.1ad tag as it names an 802.1Q one.
         'ieee8021ad': 'VLAN'}
DEFINITIONS_DIFFER = {'HTTP'}


class Clock:
    def __init__(self, rng):
        self.rng, self.t = rng, 1_700_000_000.0

    def next(self):
        self.t += self.rng.expovariate(120.0)
        return self.t


def lan_mix(rng, count):
    clock, frames = Clock(rng), []
    hosts = ['10.0.%d.%d' % (h // 200, h % 200 + 1) for h in range(30)]
    mac = {h: MACS[i % 4] % i for i, h in enumerate(hosts)}
    gateway = '02:00:00:00:00:fe'

    def add(p):
        p.time = clock.next()
        frames.append(p)

    while len(frames) < count:
        a, b = rng.sample(hosts, 2)
        r = rng.random()
        if r < 0.25:
            qid, name = rng.randrange(0x10000), rng.choice(['www.example.com', 'mail.example.net'])
            add(Ether(src=mac[a], dst=mac[b]) / IP(src=a, dst=b) / UDP(sport=rng.randrange(1024, 65535), dport=53) /
                DNS(id=qid, rd=1, qd=DNSQR(qname=name)))
            add(Ether(src=mac[b], dst=mac[a]) / IP(src=b, dst=a) / UDP(sport=53, dport=frames[-1][UDP].sport) /
                DNS(id=qid, qr=1, qd=DNSQR(qname=name), an=DNSRR(rrname=name, rdata='192.0.2.%d' % rng.randrange(1, 255))))
        elif r < 0.60:
            port, ask, answer = rng.choice(TCP_SERVICES)
            server = '198.51.100.%d' % rng.randrange(1, 20) if rng.random() < 0.5 else b
            cport, seq = rng.randrange(1024, 65535), rng.randrange(1 << 31)
            smac = mac.get(server, gateway)
            add(Ether(src=mac[a], dst=smac) / IP(src=a, dst=server) / TCP(sport=cport, dport=port, flags='S', seq=seq))
            add(Ether(src=smac, dst=mac[a]) / IP(src=server, dst=a) / TCP(sport=port, dport=cport, flags='SA', ack=seq + 1))
            add(Ether(src=mac[a], dst=smac) / IP(src=a, dst=server) / TCP(sport=cport, dport=port, flags='PA', seq=seq + 1) / Raw(ask))
            add(Ether(src=smac, dst=mac[a]) / IP(src=server, dst=a) / TCP(sport=port, dport=cport, flags='PA', ack=seq + 1 + len(ask)) / Raw(answer))
        elif r < 0.72:
            add(Ether(src=mac[a], dst='ff:ff:ff:ff:ff:ff') / ARP(psrc=a, pdst=b, hwsrc=mac[a]))
        elif r < 0.84:
            add(Ether(src=mac[a], dst=mac[b]) / IP(src=a, dst=b) / ICMP(type=8, id=rng.randrange(0x10000)) / Raw(b'p' * 32))
            add(Ether(src=mac[b], dst=mac[a]) / IP(src=b, dst=a) / ICMP(type=0, id=frames[-1][ICMP].id) / Raw(b'p' * 32))
        else:
            add(Ether(src=mac[a], dst='ff:ff:ff:ff:ff:ff') / IP(src=a, dst='10.0.0.255') / UDP(sport=137, dport=137) /
                Raw(bytes.fromhex('8a1b0110000100000000000020') + b'CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA' + bytes.fromhex('0000200001')))
    return frames[:count]


def ipv6_vlan_mix(rng, count):
    clock, frames = Clock(rng), []
    hosts6 = ['2001:db8:%x::%x' % (rng.randrange(4), rng.randrange(1, 0xffff)) for _ in range(12)] + ['fe80::1', 'fe80::2']
    hosts4 = ['172.16.0.%d' % i for i in range(1, 9)]

    def link(i):
        tagging = i % 3
        base = Ether(src=MACS[i % 4] % (i % 7), dst=MACS[(i + 1) % 4] % (i % 5))
        if tagging == 0:
            return base
        if tagging == 1:
            return base / Dot1Q(vlan=10 + i % 3)
        return base / Dot1AD(vlan=100) / Dot1Q(vlan=20 + i % 2)

    i = 0
    while len(frames) < count:
        i += 1
        r = rng.random()
        if r < 0.35:
            a, b = rng.sample(hosts6, 2)
            p = link(i) / IPv6(src=a, dst=b) / TCP(sport=rng.randrange(1024, 65535), dport=rng.choice([80, 443, 22])) / Raw(b'y' * rng.randrange(0, 400))
        elif r < 0.55:
            a, b = rng.sample(hosts6, 2)
            p = link(i) / IPv6(src=a, dst=b) / UDP(sport=rng.randrange(1024, 65535), dport=53) / DNS(id=i, rd=1, qd=DNSQR(qname='v6.example.com', qtype='AAAA'))
        elif r < 0.70:
            a, b = rng.sample(hosts6, 2)
            echo = ICMPv6EchoRequest if rng.random() < 0.5 else ICMPv6EchoReply
            p = link(i) / IPv6(src=a, dst=b) / echo(id=i & 0xffff) / Raw(b'e' * 24)
        elif r < 0.78:
            a, b = rng.sample(hosts6, 2)
            p = link(i) / IPv6(src=a, dst=b) / IPv6ExtHdrHopByHop(options=[RouterAlert()]) / UDP(sport=5000, dport=5001) / Raw(b'h' * 40)
        else:
            a, b = rng.sample(hosts4, 2)
            # No payload, or at least a DNS header's 12 bytes: see the note on short messages.
            size = rng.choice([0, rng.randrange(12, 200)])
            p = link(i) / IP(src=a, dst=b) / UDP(sport=rng.randrange(1024, 65535), dport=rng.choice([53, 123, 9999])) / Raw(b'z' * size)
        p.time = clock.next()
        frames.append(p)
    return frames


def run(args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def tshark(pcap, stat):
    return run(['tshark', '-r', pcap, '-q', '-z', stat])


def ours(cli, tns, *options):
    lines = run([cli, 'stats', tns, '--tsv', *options]).splitlines()
    if not lines:
        return []
    header = lines[0].split('\t')
    return [dict(zip(header, line.split('\t'))) for line in lines[1:]]


class Report:
    def __init__(self):
        self.compared, self.disagreements, self.notes = 0, [], []

    def same(self, where, what, mine, theirs):
        self.compared += 1
        if mine != theirs:
            self.disagreements.append('%s: %s: palomet %s, tshark %s' % (where, what, mine, theirs))


def compare_protocols(report, name, cli, pcap, tns):
    theirs, stack = {}, []
    for line in tshark(pcap, 'io,phs').splitlines():
        m = re.match(r'^( *)(\S+)\s+frames:(\d+) bytes:(\d+)', line)
        if not m:
            continue
        depth = len(m.group(1)) // 2
        stack[depth:] = [NAMES.get(m.group(2), '?' + m.group(2))]
        frames, octets = theirs.get('/'.join(stack), (0, 0))
        theirs['/'.join(stack)] = (frames + int(m.group(3)), octets + int(m.group(4)))
    mine = {r['Protocol']: (int(r['Frames']), int(r['Bytes'])) for r in ours(cli, tns, '--protocols')}
    for path in sorted(set(mine) | set(theirs)):
        if '?' in path:
            continue
        if path not in mine or path not in theirs:
            report.notes.append('%s protocols: %s shown by %s only' % (name, path, 'palomet' if path in mine else 'tshark'))
        elif set(path.split('/')) & DEFINITIONS_DIFFER:
            report.notes.append('%s protocols: %s not compared (definitions differ): palomet %s, tshark %s'
                                % (name, path, mine[path], theirs[path]))
        else:
            report.same('%s protocols %s' % (name, path), 'frames, bytes', mine[path], theirs[path])


def split_port(text):
    address, _, port = text.rpartition(':')
    return address, port


def shown_bytes(mine, theirs):
    """Our count as tshark shows it: exact below 10,000, else in kB or MB rounded down."""
    number, unit = theirs.split(' ')
    scale = {'bytes': 1, 'kB': 1000, 'MB': 1000 ** 2}[unit]
    return '%d %s' % (mine // scale, unit), theirs


def compare_conversations(report, name, cli, pcap, tns, kind):
    ported = kind in ('tcp', 'udp')
    mine = {}
    for r in ours(cli, tns, '--conversations', kind):
        if r['Address A'] == 'other':
            report.disagreements.append('%s conversations %s: the table reached its cap' % (name, kind))
            continue
        a = (r['Address A'], r.get('Port A', ''))
        b = (r['Address B'], r.get('Port B', ''))
        mine[frozenset((a, b))] = (a, r)
    row = re.compile(r'^(\S+)\s+<->\s+(\S+)\s+(\d+) (\d+ (?:bytes|kB|MB))\s+(\d+) (\d+ (?:bytes|kB|MB))\s+'
                     r'(\d+) (\d+ (?:bytes|kB|MB))\s+([\d.]+)\s+([\d.]+)\s*$')
    seen = 0
    for line in tshark(pcap, 'conv,' + kind).splitlines():
        m = row.match(line)
        if not m:
            continue
        seen += 1
        a = split_port(m.group(1)) if ported else (m.group(1), '')
        b = split_port(m.group(2)) if ported else (m.group(2), '')
        where = '%s conversations %s %s <-> %s' % (name, kind, ':'.join(a), ':'.join(b))
        if frozenset((a, b)) not in mine:
            report.disagreements.append(where + ': not in palomet\'s table')
            continue
        ours_a, r = mine.pop(frozenset((a, b)))
        # tshark's "->" is from its A to its B, "<-" the other way.
        ab = (int(r['Frames A->B']), int(r['Bytes A->B']))
        ba = (int(r['Frames B->A']), int(r['Bytes B->A']))
        if ours_a != a:
            ab, ba = ba, ab
        report.same(where, 'frames ->', ab[0], int(m.group(5)))
        report.same(where, 'bytes ->', *shown_bytes(ab[1], m.group(6)))
        report.same(where, 'frames <-', ba[0], int(m.group(3)))
        report.same(where, 'bytes <-', *shown_bytes(ba[1], m.group(4)))
        report.same(where, 'frames', int(r['Frames']), int(m.group(7)))
        report.same(where, 'bytes', *shown_bytes(int(r['Bytes']), m.group(8)))
        report.same(where, 'start', round(float(r['Start']), 6), round(float(m.group(9)), 6))
        # tshark's four decimals of a difference it took in floating point; ours is exact
        # to the microsecond.
        duration = float(r['Duration'])
        report.same(where, 'duration', m.group(10) if abs(duration - float(m.group(10))) <= 0.000051 else duration,
                    m.group(10))
    for key, (a, r) in mine.items():
        report.disagreements.append('%s conversations %s: %s not in tshark\'s table' % (name, kind, sorted(key)))
    if seen == 0 and kind in ('ip', 'tcp'):
        report.disagreements.append('%s conversations %s: no tshark rows read' % (name, kind))


def compare_endpoints(report, name, cli, pcap, tns):
    mine = {r['Address']: r for r in ours(cli, tns, '--endpoints', 'ip')}
    row = re.compile(r'^(\d+\.\d+\.\d+\.\d+)\s+(\d+)\s+(\d+)\s+(\d+)\s+(\d+)\s+(\d+)\s+(\d+)\s*$')
    for line in tshark(pcap, 'endpoints,ip').splitlines():
        m = row.match(line)
        if not m:
            continue
        where = '%s endpoints ip %s' % (name, m.group(1))
        r = mine.pop(m.group(1), None)
        if r is None:
            report.disagreements.append(where + ': not in palomet\'s table')
            continue
        columns = ['Frames', 'Bytes', 'Tx Frames', 'Tx Bytes', 'Rx Frames', 'Rx Bytes']
        report.same(where, 'frames, bytes, sent, received', tuple(int(r[c]) for c in columns),
                    tuple(int(m.group(i)) for i in range(2, 8)))
    for address in mine:
        report.disagreements.append('%s endpoints ip: %s not in tshark\'s table' % (name, address))


def compare_io(report, name, cli, pcap, tns, interval, option):
    theirs = {}
    for line in tshark(pcap, 'io,stat,' + interval).splitlines():
        m = re.match(r'^\|\s*([\d.]+)\s*<>\s*(?:[\d.]+|Dur)\s*\|\s*(\d+)\s*\|\s*(\d+)\s*\|', line)
        if m:
            theirs[round(float(m.group(1)) / float(interval))] = (int(m.group(2)), int(m.group(3)))
    mine = {}
    for r in ours(cli, tns, '--io', option):
        if r['End'] == 'other':
            report.disagreements.append('%s io %s: frames outside the series' % (name, option))
            continue
        mine[round(float(r['Start']) / float(interval))] = (int(r['Frames']), int(r['Bytes']))
    for i in sorted(set(mine) | set(theirs)):
        report.same('%s io %s interval %d' % (name, option, i), 'frames, bytes', mine.get(i, (0, 0)), theirs.get(i, (0, 0)))


def main():
    cli, work = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 600
    rng = random.Random(24)
    captures = []
    for name, make in (('lan', lan_mix), ('ipv6-vlan', ipv6_vlan_mix)):
        pcap = '%s/%s.pcap' % (work, name)
        wrpcap(pcap, make(rng, count))
        captures.append((name, pcap))
    captures += [(p.rsplit('/', 1)[-1], p) for p in sys.argv[4:]]

    report = Report()
    for name, pcap in captures:
        tns = '%s/%s.tns' % (work, name)
        run([cli, 'import', pcap, tns])
        compare_protocols(report, name, cli, pcap, tns)
        for kind in ('ip', 'ipv6', 'tcp', 'udp'):
            compare_conversations(report, name, cli, pcap, tns, kind)
        compare_endpoints(report, name, cli, pcap, tns)
        compare_io(report, name, cli, pcap, tns, '1', '1s')
        compare_io(report, name, cli, pcap, tns, '0.1', '100ms')

    for note in report.notes:
        print('note: ' + note)
    for d in report.disagreements:
        print('DISAGREE: ' + d)
    print('%d values compared on %d captures, %d disagreements' % (report.compared, len(captures), len(report.disagreements)))
    return 1 if report.disagreements else 0


if __name__ == '__main__':
    sys.exit(main())
