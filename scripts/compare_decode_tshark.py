"""Compares the console's decoding with tshark's on a generated capture of today's traffic:
802.1Q and 802.1ad tags, ARP, IPv4 and IPv6 (with extension headers), TCP with options, UDP,
ICMP and ICMPv6 (echo, errors quoting a datagram, neighbour discovery) and DNS with A, AAAA,
SRV, TXT, MX, CNAME, HTTPS and OPT records, NXDOMAIN answers included. Every field both show
must agree: addresses, ports, VLAN ids, ARP operations, ICMP types and codes, TCP option
values, DNS ids, question names and types, record names and types, AAAA addresses and the
EDNS payload size. Prints the fields compared and every disagreement; exit status 1 on any.

Run by scripts/check-decode-tshark.sh (which installs tshark):
  /usr/bin/python3 scripts/compare_decode_tshark.py PALOMET_CLI WORK_DIR [FRAMES]
"""
import random
import re
import struct
import subprocess
import sys
from scapy.all import Ether, IP, TCP, UDP, ICMP, ARP, Raw, raw, wrpcap
from scapy.layers.l2 import Dot1Q, Dot1AD
from scapy.layers.inet6 import (IPv6, IPv6ExtHdrHopByHop, IPv6ExtHdrDestOpt, ICMPv6EchoRequest, ICMPv6EchoReply,
                                ICMPv6ND_NS, ICMPv6ND_NA, ICMPv6NDOptSrcLLAddr, ICMPv6NDOptDstLLAddr,
                                ICMPv6DestUnreach, RouterAlert)
from scapy.layers.dns import DNS, DNSQR, DNSRR, DNSRROPT, DNSRRSRV

QTYPES = {'A': 1, 'NS': 2, 'CNAME': 5, 'SOA': 6, 'PTR': 12, 'MX': 15, 'TXT': 16, 'AAAA': 28, 'SRV': 33, 'OPT': 41,
          'SVCB': 64, 'HTTPS': 65, 'CAA': 257}
MACS = ['00:00:0c:12:34:56', '00:a0:c9:ab:cd:ef', '08:00:09:0a:0b:0c', '00:50:da:01:02:03']
NAMES = ['www.example.com', 'mail.example.net', '_ldap._tcp.corp.example.org', 'cdn.example.com', 'nx.example.org']


def v4(rng):
    return '10.%d.%d.%d' % (rng.randrange(4), rng.randrange(256), rng.randrange(1, 255))


def v6(rng):
    return rng.choice(['2001:db8:%x::%x' % (rng.randrange(16), rng.randrange(1, 0xffff)),
                       'fe80::%x:%x' % (rng.randrange(0x10000), rng.randrange(1, 0x10000)),
                       '2001:db8:0:1:%x:0:0:%x' % (rng.randrange(1, 0x10000), rng.randrange(1, 0x10000))])


def dns_message(rng, response):
    name = question = rng.choice(NAMES)
    qtype = rng.choice(['A', 'AAAA', 'SRV', 'TXT', 'MX', 'HTTPS'])
    edns = rng.random() < 0.6
    ar = DNSRROPT(rclass=rng.choice([512, 1232, 4096]), z=0x8000 if rng.random() < 0.5 else 0) if edns else None
    if not response:
        return DNS(id=rng.randrange(0x10000), rd=1, qd=DNSQR(qname=name, qtype=qtype), ar=ar)
    if name.startswith('nx.'):
        return DNS(id=rng.randrange(0x10000), qr=1, rd=1, ra=1, rcode=3, qd=DNSQR(qname=name, qtype=qtype), ar=ar)
    answers = []
    if rng.random() < 0.3:
        answers.append(DNSRR(rrname=name, type='CNAME', ttl=60, rdata='edge.example.net'))
        name = 'edge.example.net'
    for _ in range(rng.randrange(1, 4)):
        if qtype == 'A':
            answers.append(DNSRR(rrname=name, type='A', ttl=300, rdata='192.0.2.%d' % rng.randrange(1, 255)))
        elif qtype == 'AAAA':
            answers.append(DNSRR(rrname=name, type='AAAA', ttl=300, rdata='2001:db8:%x::%x' % (rng.randrange(16), rng.randrange(1, 0xffff))))
        elif qtype == 'SRV':
            answers.append(DNSRRSRV(rrname=name, ttl=600, priority=10, weight=rng.randrange(100), port=389, target='dc1.example.org'))
        elif qtype == 'TXT':
            answers.append(DNSRR(rrname=name, type='TXT', ttl=600, rdata=['v=spf1 -all', 'k=%d' % rng.randrange(100)]))
        elif qtype == 'MX':
            exchange = b''.join(bytes([len(label)]) + label for label in (b'mx', b'example', b'net')) + b'\0'
            answers.append(DNSRR(rrname=name, type='MX', ttl=600, rdata=struct.pack('>H', rng.randrange(50)) + exchange))
        else:
            answers.append(DNSRR(rrname=name, type=65, ttl=600, rdata=b'\x00\x01\x00\x00\x01\x00\x03\x02h2'))
    an = answers[0]
    for record in answers[1:]:
        an = an / record
    return DNS(id=rng.randrange(0x10000), qr=1, rd=1, ra=1, qd=DNSQR(qname=question, qtype=qtype), an=an, ar=ar)


def network(rng, six, proto_layer):
    if six:
        ip = IPv6(src=v6(rng), dst=v6(rng), hlim=rng.choice([1, 64, 255]))
        if rng.random() < 0.15:
            ip = ip / IPv6ExtHdrHopByHop(options=[RouterAlert(value=0)])
        if rng.random() < 0.1:
            ip = ip / IPv6ExtHdrDestOpt(options=[])
        return ip / proto_layer
    return IP(src=v4(rng), dst=v4(rng), ttl=rng.choice([1, 64, 128]), id=rng.randrange(0x10000)) / proto_layer


def tcp_layer(rng):
    flags = rng.choice(['S', 'SA', 'A', 'PA', 'FA'])
    options = []
    if 'S' in flags:
        options = [('MSS', rng.choice([536, 1360, 1440, 1460])), ('NOP', None), ('WScale', rng.randrange(15)),
                   ('SAckOK', b''), ('Timestamp', (rng.randrange(1 << 32), 0 if flags == 'S' else rng.randrange(1 << 32)))]
    elif rng.random() < 0.5:
        options = [('NOP', None), ('NOP', None), ('Timestamp', (rng.randrange(1 << 32), rng.randrange(1 << 32)))]
    port = rng.choice([80, 443, 8080, 22])
    segment = TCP(sport=rng.randrange(1024, 65535), dport=port, flags=flags, seq=rng.randrange(1 << 32),
                  ack=rng.randrange(1 << 32) if 'A' in flags else 0, window=rng.randrange(1, 65535), options=options)
    if flags == 'PA' and port == 80:
        segment = segment / Raw(b'GET /%d HTTP/1.1\r\nHost: example.com\r\n\r\n' % rng.randrange(100))
    return segment


def frame(rng, index):
    kind = rng.choice(['dns', 'dns', 'tcp', 'tcp', 'arp', 'icmp', 'icmp_error', 'nd'])
    six = rng.random() < 0.5
    if kind == 'arp':
        op = rng.choice([1, 2])
        upper, six = ARP(op=op, hwsrc=rng.choice(MACS), psrc=v4(rng), hwdst=rng.choice(MACS) if op == 2 else '00:00:00:00:00:00',
                         pdst=v4(rng)), None
    elif kind == 'dns':
        response = rng.random() < 0.5
        message = dns_message(rng, response)
        ports = (53, rng.randrange(1024, 65535)) if response else (rng.randrange(1024, 65535), 53)
        upper = network(rng, six, UDP(sport=ports[0], dport=ports[1]) / message)
    elif kind == 'tcp':
        upper = network(rng, six, tcp_layer(rng))
    elif kind == 'icmp':
        ident, seq = rng.randrange(0x10000), rng.randrange(0x10000)
        body = ((ICMPv6EchoRequest if rng.random() < 0.5 else ICMPv6EchoReply)(id=ident, seq=seq, data=b'ping' * 4)
                if six else ICMP(type=rng.choice([0, 8]), id=ident, seq=seq) / Raw(b'ping' * 4))
        upper = network(rng, six, body)
    elif kind == 'icmp_error':
        quoted = raw(network(rng, six, UDP(sport=rng.randrange(1024, 65535), dport=rng.choice([53, 161, 5000])) / Raw(b'q' * 12)))
        body = ICMPv6DestUnreach(code=rng.choice([1, 3, 4])) / Raw(quoted) if six else ICMP(type=3, code=rng.choice([1, 3, 13])) / Raw(quoted[:28])
        upper = network(rng, six, body)
    else:
        target = v6(rng)
        body = (ICMPv6ND_NS(tgt=target) / ICMPv6NDOptSrcLLAddr(lladdr=rng.choice(MACS)) if rng.random() < 0.5 else
                ICMPv6ND_NA(tgt=target, R=0, S=1, O=1) / ICMPv6NDOptDstLLAddr(lladdr=rng.choice(MACS)))
        upper = IPv6(src=v6(rng), dst=v6(rng), hlim=255) / body
    tags = rng.choice([0, 0, 1, 2])
    ether = Ether(src=rng.choice(MACS), dst=rng.choice(MACS))
    if tags == 2:
        ether = Ether(src=ether.src, dst=ether.dst, type=0x88a8) / Dot1AD(vlan=rng.randrange(1, 4095), prio=rng.randrange(8)) / Dot1Q(vlan=rng.randrange(1, 4095))
    elif tags == 1:
        ether = ether / Dot1Q(vlan=rng.randrange(1, 4095), prio=rng.randrange(8))
    packet = Ether(raw(ether / upper))
    packet.time = 1781200800 + index / 1000
    return packet


def generate(path, count):
    rng = random.Random(15)
    wrpcap(path, [frame(rng, i) for i in range(count)])


# (what, tshark field, console detail line pattern with one group, which occurrences, tshark value -> console form)
FIELDS = [
    ('Source column', 'source', r'^COLUMNS: source = (\S+)$', 'first', None),
    ('Destination column', 'destination', r'^COLUMNS: destination = (\S+)$', 'first', None),
    ('VLAN ids', 'tags', r'^VLAN:  VLAN ID = (\d+) ', 'all', None),
    ('ARP operation', 'arp.opcode', r'^ARP:  Operation = (\d+) ', 'first', None),
    ('ARP sender address', 'arp.src.proto_ipv4', r'^ARP:  Sender protocol address = (\S+)$', 'first', None),
    ('ARP target address', 'arp.dst.proto_ipv4', r'^ARP:  Target protocol address = (\S+)$', 'first', None),
    ('IPv4 source', 'ip.src', r'^IPv4:  Source address = (\S+)$', 'first', None),
    ('IPv4 destination', 'ip.dst', r'^IPv4:  Destination address = (\S+)$', 'first', None),
    ('IPv6 source', 'ipv6.src', r'^IPv6:  Source address = (\S+)$', 'first', None),
    ('IPv6 destination', 'ipv6.dst', r'^IPv6:  Destination address = (\S+)$', 'first', None),
    ('TCP source port', 'tcp.srcport', r'^TCP:  Source port = (\d+) ', 'first', None),
    ('TCP destination port', 'tcp.dstport', r'^TCP:  Destination port = (\d+) ', 'first', None),
    ('TCP MSS', 'tcp.options.mss_val', r'^TCP:  Maximum Segment Size \(kind 2, length 4\) = (\d+) ', 'first', None),
    ('TCP window scale', 'tcp.options.wscale.shift', r'^TCP:  Window Scale \(kind 3, length 3\) = (\d+) ', 'first', None),
    ('TCP TSval', 'tcp.options.timestamp.tsval', r'^TCP:  Timestamps .* TSval = (\d+),', 'first', None),
    ('TCP TSecr', 'tcp.options.timestamp.tsecr', r'^TCP:  Timestamps .* TSecr = (\d+)$', 'first', None),
    ('UDP source port', 'udp.srcport', r'^UDP:  Source port = (\d+) ', 'first', None),
    ('UDP destination port', 'udp.dstport', r'^UDP:  Destination port = (\d+) ', 'first', None),
    ('ICMP type', 'icmp.type', r'^ICMP:  Type = (\d+) ', 'first', None),
    ('ICMP code', 'icmp.code', r'^ICMP:  Code = (\d+)', 'first', None),
    ('ICMP echo id', 'icmp.ident', r'^ICMP:  Identifier = (\d+) ', 'first', None),
    ('ICMP echo sequence', 'icmp.seq', r'^ICMP:  Sequence number = (\d+) ', 'first', None),
    ('ICMP quoted source port', 'udp.srcport', r'^ICMP:  Quoted UDP ports: source = (\d+),', 'first', None),
    ('ICMPv6 type', 'icmpv6.type', r'^ICMPv6:  Type = (\d+) ', 'first', None),
    ('ICMPv6 code', 'icmpv6.code', r'^ICMPv6:  Code = (\d+)', 'first', None),
    ('ICMPv6 echo id', 'icmpv6.echo.identifier', r'^ICMPv6:  Identifier = (\d+) ', 'first', lambda v: str(int(v, 16))),
    ('ICMPv6 echo sequence', 'icmpv6.echo.sequence_number', r'^ICMPv6:  Sequence number = (\d+) ', 'first', None),
    ('ND target (NS)', 'icmpv6.nd.ns.target_address', r'^ICMPv6:  Target address = (\S+)$', 'first', None),
    ('ND target (NA)', 'icmpv6.nd.na.target_address', r'^ICMPv6:  Target address = (\S+)$', 'first', None),
    ('DNS id', 'dns.id', r'^DNS: Query Identifier (\d+) ', 'first', lambda v: str(int(v, 16))),
    ('DNS RCODE', 'dns.flags.rcode', r'^DNS: \.{12}([01]{4}) = ', 'first', None),
    ('DNS question name', 'dns.qry.name', r"^DNS: Question Name: '(.*)'$", 'first', None),
    ('DNS question type', 'dns.qry.type', r"^DNS: Question Section: '.*' of type (\S+) on", 'first', None),
    ('DNS record names', 'record names', r"^DNS: Resource Record: '(.*)' of type", 'all', None),
    ('DNS record types', 'dns.resp.type', r"^DNS: Resource Record: '.*' of type (\S+) on", 'all', None),
    ('DNS AAAA addresses', 'dns.aaaa', r'^DNS: Address = ([0-9a-f:]*:[0-9a-f:]*)$', 'all', None),
    ('DNS EDNS payload size', 'dns.rr.udp_payload_size', r'^DNS: UDP payload size = (\d+)$', 'first', None),
]


def console_frames(cli, trace, count):
    text = subprocess.run([cli, 'show', trace] + [str(i) for i in range(count)], check=True, capture_output=True,
                          text=True).stdout
    frames = []
    for line in text.splitlines():
        if line.startswith('FRAME:  Base frame properties'):
            frames.append([])
        elif frames:
            frames[-1].append(line.strip())
    # The packet list's Source and Destination columns at the network level.
    rows = subprocess.run([cli, 'list', '--tsv', '--level', 'network', trace], check=True, capture_output=True,
                          text=True).stdout.splitlines()[1:]
    for lines, row in zip(frames, rows):
        columns = row.split('\t')
        lines += ['COLUMNS: source = ' + columns[2], 'COLUMNS: destination = ' + columns[3]]
    return frames


def console_values(lines, pattern, which):
    values = []
    for line in lines:
        m = re.search(pattern, line)
        if m:
            values.append(m.group(1))
    if which == 'first':
        values = values[:1]
    return values


def normal_console(what, values):
    if what == 'DNS question type' or what == 'DNS record types':
        return [str(QTYPES.get(v, v)) for v in values]
    if what == 'DNS RCODE':
        return [str(int(v, 2)) for v in values]
    return values


SRV_PARTS = ('dns.srv.service', 'dns.srv.proto', 'dns.srv.name')


def split(row, field):
    value = row.get(field, '')
    return value if isinstance(value, list) else [v for v in value.split('|') if v != '']


def record_names(row):
    """tshark names an SRV record by its service, protocol and name fields, every other one by
    dns.resp.name (the root as <Root>); this puts them back in record order."""
    names, srv = iter(split(row, 'dns.resp.name')), [iter(split(row, f)) for f in SRV_PARTS]
    out = []
    for rtype in split(row, 'dns.resp.type'):
        name = '.'.join(next(part, '?') for part in srv) if rtype == '33' else next(names, '?')
        out.append('' if name == '<Root>' else name)
    return out


def tshark_frames(pcap):
    fields = sorted({f[1] for f in FIELDS if f[1] not in ('record names', 'tags', 'source', 'destination')} |
                    {'dns.resp.name', *SRV_PARTS, 'ieee8021ad.id', 'vlan.id'})
    command = ['tshark', '-r', pcap, '-n', '-T', 'fields', '-E', 'separator=\t', '-E', 'occurrence=a', '-E', 'aggregator=|']
    for field in fields:
        command += ['-e', field]
    rows = subprocess.run(command, check=True, capture_output=True, text=True).stdout.splitlines()
    frames = [dict(zip(fields, row.split('\t'))) for row in rows]
    for row in frames:
        row['record names'] = record_names(row)
        # The network layer's addresses: IPv4, IPv6 or ARP's protocol addresses, outermost first.
        for column, ends in (('source', ('ip.src', 'ipv6.src', 'arp.src.proto_ipv4')),
                             ('destination', ('ip.dst', 'ipv6.dst', 'arp.dst.proto_ipv4'))):
            row[column] = [v for field in ends for v in split(row, field)][:1]
        # An 802.1ad service tag is tshark's ieee8021ad layer; the customer tag inside is vlan.
        row['tags'] = split(row, 'ieee8021ad.id') + split(row, 'vlan.id')
    return frames


def main():
    cli, work = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 400
    pcap, trace = work + '/mix.pcap', work + '/mix.tns'
    generate(pcap, count)
    subprocess.run([cli, 'import', pcap, trace], check=True, capture_output=True)
    ours, theirs = console_frames(cli, trace, count), tshark_frames(pcap)
    if len(ours) != count or len(theirs) != count:
        print('FAIL frame counts: console %d, tshark %d, generated %d' % (len(ours), len(theirs), count))
        return 1
    failures = 0
    for what, field, pattern, which, transform in FIELDS:
        compared = agreed = only_ours = only_theirs = 0
        for number, (lines, row) in enumerate(zip(ours, theirs)):
            mine = normal_console(what, console_values(lines, pattern, which))
            raw_values = split(row, field)
            other = [transform(v) if transform else v for v in raw_values]
            if which == 'first':
                other = other[:1]
            if not mine or not other:
                only_ours += bool(mine) and not other
                only_theirs += bool(other) and not mine
                continue
            compared += 1
            if mine == other:
                agreed += 1
            else:
                failures += 1
                print('FAIL frame %d %s: console %s, tshark %s' % (number, what, mine, other))
        print('%-4s %-24s %4d frames compared, %4d agree (shown only by the console %d, only by tshark %d)'
              % ('ok' if compared == agreed else 'FAIL', what, compared, agreed, only_ours, only_theirs))
    print('%d disagreement(s)' % failures)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
