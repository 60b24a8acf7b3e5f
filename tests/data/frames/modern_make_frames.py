"""Writes the fixtures of today's traffic: VLAN tags, ARP, IPv6 and its extension headers,
ICMP and ICMPv6, TCP options, modern DNS records, hostile frames of the same layers (.hex,
as make_frames.py writes them), and three small captures of other link types for the
import path (tests/data/pcap/: Linux cooked v1 and v2, raw IP).

Run: /usr/bin/python3 tests/data/frames/modern_make_frames.py   (rewrites those files)
"""
import os
import struct
from scapy.all import Ether, IP, TCP, UDP, ICMP, ARP, Raw, Padding, raw, wrpcap
from scapy.layers.l2 import Dot1Q, Dot1AD, CookedLinux, CookedLinuxV2
from scapy.layers.inet6 import (IPv6, IPv6ExtHdrHopByHop, IPv6ExtHdrDestOpt, IPv6ExtHdrRouting, IPv6ExtHdrFragment,
                                ICMPv6EchoRequest, ICMPv6EchoReply, ICMPv6ND_NS, ICMPv6ND_NA, ICMPv6ND_RA,
                                ICMPv6NDOptSrcLLAddr, ICMPv6NDOptDstLLAddr, ICMPv6NDOptPrefixInfo, ICMPv6NDOptMTU,
                                ICMPv6PacketTooBig, ICMPv6MLReport, RouterAlert, ICMPv6DestUnreach)
from scapy.layers.dns import DNS, DNSQR, DNSRR, DNSRROPT, DNSRRSRV, EDNS0TLV

HERE = os.path.dirname(os.path.abspath(__file__))
PCAPS = os.path.join(HERE, '..', 'pcap')
CISCO, INTEL, HP = '00:00:0c:12:34:56', '00:a0:c9:ab:cd:ef', '08:00:09:0a:0b:0c'
C6, S6, R6 = '2001:db8:1::20', '2001:db8:1::53', 'fe80::20c:ff:fe12:3456'
T0 = 1781200800  # 2026-06-11 18:00:00 UTC


def write(name, note, packets, links=None):
    """One .hex fixture: frames numbered from 1, a millisecond apart."""
    with open(os.path.join(HERE, name + '.hex'), 'w') as f:
        f.write('# ' + note + '\n@ batch freq=1000000\n')
        for i, pkt in enumerate(packets):
            data = pkt if isinstance(pkt, bytes) else raw(pkt)
            link = links[i] if links else 4
            f.write('@ frame time=%d stamp=%d number=%d link=%d wire=%d\n'
                    % (T0 + i, 1_000_000 + 1000 * i, i + 1, link, max(len(data), 60)))
            for j in range(0, len(data), 16):
                f.write(' '.join('%02x' % b for b in data[j:j + 16]) + '\n')


def eth(src=INTEL, dst=CISCO, **kw):
    return Ether(src=src, dst=dst, **kw)


def opt_rr(size=4096, rcode=0, do=0, options=()):
    return DNSRROPT(rclass=size, extrcode=rcode, z=0x8000 if do else 0, rdata=list(options))


# A trunk port: an AAAA lookup over IPv6 inside VLAN 100 (priority 5), its answer with EDNS0;
# then an SRV lookup over IPv4 inside a 802.1ad service tag (VLAN 200) and the customer tag
# 100, answered NXDOMAIN with EDNS0 and the DO bit.
aaaa_q = DNS(id=0x2a2b, rd=1, qd=DNSQR(qname='www.example.com', qtype='AAAA'), ar=opt_rr(do=1))
aaaa_a = DNS(id=0x2a2b, qr=1, rd=1, ra=1, qd=DNSQR(qname='www.example.com', qtype='AAAA'),
             an=DNSRR(rrname='www.example.com', type='AAAA', ttl=300, rdata='2001:db8:80::1')
             / DNSRR(rrname='www.example.com', type='AAAA', ttl=300, rdata='2001:db8:80::2'),
             ar=opt_rr(size=1232)).compress()
srv_q = DNS(id=0x3c3d, rd=1, qd=DNSQR(qname='_ldap._tcp.example.com', qtype='SRV'))
srv_nx = DNS(id=0x3c3d, qr=1, rd=1, ra=1, rcode=3, qd=DNSQR(qname='_ldap._tcp.example.com', qtype='SRV'),
             ar=opt_rr(size=1232, do=1))
vlan = eth() / Dot1Q(vlan=100, prio=5)
qinq = Ether(src=INTEL, dst=CISCO, type=0x88a8) / Dot1AD(vlan=200, prio=1) / Dot1Q(vlan=100)
write('vlan_ipv6_dns', 'scapy: VLAN 100 IPv6/UDP DNS AAAA query and answer with EDNS0; 802.1ad 200 + 802.1Q 100 IPv4 DNS SRV query, NXDOMAIN',
      [vlan / IPv6(src=C6, dst=S6) / UDP(sport=1029, dport=53) / aaaa_q,
       eth(src=CISCO, dst=INTEL) / Dot1Q(vlan=100, prio=5) / IPv6(src=S6, dst=C6) / UDP(sport=53, dport=1029) / aaaa_a,
       qinq / IP(src='192.168.1.20', dst='192.168.1.2') / UDP(sport=1030, dport=53) / srv_q,
       Ether(src=CISCO, dst=INTEL, type=0x88a8) / Dot1AD(vlan=200, prio=1) / Dot1Q(vlan=100)
       / IP(src='192.168.1.2', dst='192.168.1.20') / UDP(sport=53, dport=1030) / srv_nx])

# Records of today's zones over TCP/IPv6: SRV, TXT with two strings, HTTPS with ALPN, port and
# hints, CAA; a query for HTTPS over UDP/IPv4.
https_rdata = (struct.pack('>H', 1) + b'\x00' + struct.pack('>HH', 1, 6) + b'\x02h2\x02h3'
               + struct.pack('>HHH', 3, 2, 443) + struct.pack('>HH', 4, 4) + bytes([192, 0, 2, 1]))
records = DNS(id=0x4d4e, qr=1, aa=1, qd=DNSQR(qname='example.org', qtype='ANY'),
              an=DNSRRSRV(rrname='_sip._tcp.example.org', ttl=600, priority=10, weight=60, port=5060,
                          target='sip.example.org')
              / DNSRR(rrname='example.org', type='TXT', ttl=600, rdata=['v=spf1 -all', 'hello world'])
              / DNSRR(rrname='example.org', type=65, ttl=600, rdata=https_rdata)
              / DNSRR(rrname='example.org', type=257, ttl=600, rdata=b'\x00\x05issueca.example.net'),
              ar=opt_rr(size=1232, options=[EDNS0TLV(optcode=10, optdata=bytes(range(1, 9)))]))
body = raw(records)
write('dns_modern_records', 'scapy: HTTPS query over UDP/IPv4; SRV, TXT, HTTPS and CAA answer with an EDNS0 cookie over TCP/IPv6',
      [eth() / IP(src='192.168.1.20', dst='192.168.1.2') / UDP(sport=1031, dport=53)
       / DNS(id=0x4d4d, rd=1, qd=DNSQR(qname='example.org', qtype=65)),
       eth(src=CISCO, dst=INTEL) / IPv6(src=S6, dst=C6) / TCP(sport=53, dport=1040, flags='PA', seq=500, ack=90, window=512)
       / Raw(struct.pack('>H', len(body)) + body)])

# ARP: a request padded to 60 bytes, its reply, a gratuitous announcement and a probe.
write('arp_exchange', 'scapy: ARP request (padded), reply, gratuitous announcement, probe from 0.0.0.0',
      [Ether(src=INTEL, dst='ff:ff:ff:ff:ff:ff') / ARP(hwsrc=INTEL, psrc='192.168.1.20', pdst='192.168.1.1') / Padding(b'\0' * 18),
       Ether(src=CISCO, dst=INTEL) / ARP(op=2, hwsrc=CISCO, psrc='192.168.1.1', hwdst=INTEL, pdst='192.168.1.20'),
       Ether(src=HP, dst='ff:ff:ff:ff:ff:ff') / ARP(hwsrc=HP, psrc='192.168.1.9', pdst='192.168.1.9'),
       Ether(src=HP, dst='ff:ff:ff:ff:ff:ff') / ARP(hwsrc=HP, psrc='0.0.0.0', pdst='192.168.1.9')])

# ICMP: echo request and reply, a port unreachable quoting a DNS query, a time exceeded
# quoting a TCP SYN, a fragmentation-needed with its MTU, a redirect.
dns_out = IP(src='192.168.1.20', dst='192.168.1.2', id=0x77) / UDP(sport=1029, dport=53) / DNS(id=1, qd=DNSQR(qname='a.example'))
syn_out = IP(src='192.168.1.20', dst='203.0.113.9', ttl=1, id=0x78) / TCP(sport=1100, dport=443, flags='S', seq=42)
write('icmp_messages', 'scapy: ICMP echo request/reply, port unreachable (quoting DNS), time exceeded (quoting a SYN), fragmentation needed (MTU 1400), redirect',
      [eth() / IP(src='192.168.1.20', dst='192.168.1.1') / ICMP(type=8, id=0x1234, seq=1) / Raw(b'0123456789abcdef'),
       eth(src=CISCO, dst=INTEL) / IP(src='192.168.1.1', dst='192.168.1.20') / ICMP(type=0, id=0x1234, seq=1) / Raw(b'0123456789abcdef'),
       eth(src=CISCO, dst=INTEL) / IP(src='192.168.1.2', dst='192.168.1.20') / ICMP(type=3, code=3) / raw(dns_out)[:28 + 8],
       eth(src=CISCO, dst=INTEL) / IP(src='192.168.1.1', dst='192.168.1.20') / ICMP(type=11, code=0) / raw(syn_out)[:28],
       eth(src=CISCO, dst=INTEL) / IP(src='192.168.1.1', dst='192.168.1.20') / ICMP(type=3, code=4, nexthopmtu=1400) / raw(syn_out)[:28],
       eth(src=CISCO, dst=INTEL) / IP(src='192.168.1.1', dst='192.168.1.20') / ICMP(type=5, code=1, gw='192.168.1.254') / raw(syn_out)[:28]])

# ICMPv6: neighbour solicitation with the source's link-layer address, the solicited
# advertisement with the target's, a router advertisement with prefix, MTU and link-layer
# options, an echo request, a packet too big quoting a UDP datagram, and an MLD report
# behind a hop-by-hop router alert.
mcast = '33:33:ff:00:00:53'
udp6 = IPv6(src=C6, dst='2001:db8:2::1') / UDP(sport=5000, dport=5001) / Raw(b'x' * 32)
write('icmpv6_nd', 'scapy: ICMPv6 NS, NA, RA (prefix, MTU, SLLA), echo request, packet too big (quoting UDP), MLD report after hop-by-hop router alert',
      [Ether(src=INTEL, dst=mcast) / IPv6(src=C6, dst='ff02::1:ff00:53', hlim=255) / ICMPv6ND_NS(tgt=S6) / ICMPv6NDOptSrcLLAddr(lladdr=INTEL),
       eth(src=CISCO, dst=INTEL) / IPv6(src=S6, dst=C6, hlim=255) / ICMPv6ND_NA(tgt=S6, R=0, S=1, O=1) / ICMPv6NDOptDstLLAddr(lladdr=CISCO),
       Ether(src=CISCO, dst='33:33:00:00:00:01') / IPv6(src=R6, dst='ff02::1', hlim=255)
       / ICMPv6ND_RA(chlim=64, M=0, O=1, routerlifetime=1800, reachabletime=30000, retranstimer=1000)
       / ICMPv6NDOptPrefixInfo(prefix='2001:db8:1::', prefixlen=64, L=1, A=1, validlifetime=86400, preferredlifetime=14400)
       / ICMPv6NDOptMTU(mtu=1500) / ICMPv6NDOptSrcLLAddr(lladdr=CISCO),
       eth() / IPv6(src=C6, dst=S6) / ICMPv6EchoRequest(id=7, seq=3, data=b'ping'),
       eth(src=CISCO, dst=INTEL) / IPv6(src=R6, dst=C6) / ICMPv6PacketTooBig(mtu=1280) / raw(udp6),
       Ether(src=INTEL, dst='33:33:00:00:00:16') / IPv6(src='fe80::2a0:c9ff:feab:cdef', dst='ff02::16', hlim=1)
       / IPv6ExtHdrHopByHop(options=[RouterAlert(value=0)]) / ICMPv6MLReport(mladdr='ff02::1:3')])

# TCP options: a SYN with every common option over IPv4, the SYN-ACK over IPv6, an ACK with
# two SACK blocks, a Fast Open cookie (a kind the table cannot hold), and an HTTP request
# over IPv6 that still reaches the HTTP decoder.
common = [('MSS', 1460), ('NOP', None), ('WScale', 7), ('SAckOK', b''), ('Timestamp', (123456, 0))]
write('tcp_options', 'scapy: SYN with MSS, NOP, WScale, SAckOK, Timestamp; SYN-ACK over IPv6; ACK with SACK blocks; TFO cookie; HTTP GET over IPv6',
      [eth() / IP(src='192.168.1.20', dst='192.168.1.1', flags='DF') / TCP(sport=40000, dport=80, flags='S', seq=1000, window=64240, options=common),
       eth(src=CISCO, dst=INTEL) / IPv6(src=S6, dst=C6) / TCP(sport=80, dport=40001, flags='SA', seq=9000, ack=2001, window=65535,
                                                             options=[('MSS', 1440), ('SAckOK', b''), ('Timestamp', (777, 123456)), ('NOP', None), ('WScale', 8)]),
       eth() / IP(src='192.168.1.20', dst='192.168.1.1') / TCP(sport=40000, dport=80, flags='A', seq=1001, ack=9001, window=501,
                                                              options=[('NOP', None), ('NOP', None), ('SAck', (5000, 6000, 7000, 8000))]),
       eth() / IP(src='192.168.1.20', dst='192.168.1.1') / TCP(sport=40002, dport=443, flags='S', seq=5, window=64240,
                                                              options=[('MSS', 1460), (34, b'\x11\x22\x33\x44\x55\x66\x77\x88')]),
       eth() / IPv6(src=C6, dst=S6) / TCP(sport=40003, dport=80, flags='PA', seq=3, ack=4, window=501) / Raw(b'GET / HTTP/1.1\r\nHost: v6\r\n\r\n')])

# IPv6 extension headers: destination options and a routing header before UDP, and a UDP
# datagram in two fragments (the first goes on to UDP, the second stops).
frag = IPv6(src=C6, dst=S6) / IPv6ExtHdrFragment(id=0xabcdef, m=1, offset=0, nh=17) / raw(UDP(sport=7000, dport=7001, len=1208) / Raw(b'f' * 16))
write('ipv6_extensions', 'scapy: IPv6 destination options + routing (type 0, one address) + UDP; first and second fragment of a UDP datagram',
      [eth() / IPv6(src=C6, dst=S6) / IPv6ExtHdrDestOpt(options=[]) / IPv6ExtHdrRouting(addresses=['2001:db8:9::1'], segleft=1)
       / UDP(sport=6000, dport=6001) / Raw(b'data'),
       eth() / frag,
       eth() / IPv6(src=C6, dst=S6) / IPv6ExtHdrFragment(id=0xabcdef, m=0, offset=2, nh=17) / Raw(b'g' * 24)])



# Hostile frames: a VLAN tag cut short; ten stacked tags; an IPv6 header with twenty
# destination-options headers; an extension header whose length runs past the frame; TCP
# options of length 0, of length 1 and past the header; an ICMP error quoting garbage; an
# ICMPv6 neighbour solicitation with an option of length 0; an ARP with 255-byte addresses;
# a cooked header cut short; raw IP that is not IP.
def tcp_options_raw(option_bytes):
    t = raw(TCP(sport=1, dport=2, flags='S', dataofs=5 + len(option_bytes) // 4))[:20] + option_bytes
    ip = IP(src='10.0.0.1', dst='10.0.0.2', proto=6) / Raw(t)
    return raw(eth() / ip)
many_dest = IPv6(src=C6, dst=S6, nh=60, plen=20 * 8) / Raw(b''.join(bytes([60, 0, 1, 4, 0, 0, 0, 0]) for _ in range(20)))
write('hostile_modern', 'hand-made: cut VLAN tag, 10 stacked tags, 20 IPv6 extension headers, extension past the frame, TCP option lengths 0/1/past the header, ICMP quoting garbage, ND option length 0, ARP 255-byte addresses, cut SLL header, raw non-IP',
      [raw(eth(type=0x8100)) + b'\x00\x64',
       raw(eth(type=0x8100)) + b'\x00\x01\x81\x00' * 10 + b'\x00\x01\x08\x00',
       raw(eth() / many_dest),
       raw(eth() / IPv6(src=C6, dst=S6, nh=0) / Raw(bytes([17, 30]) + b'\x01\x00' * 3)),
       tcp_options_raw(b'\x02\x00\x00\x00'),
       tcp_options_raw(b'\x01\x03\x01\x00'),
       tcp_options_raw(b'\x01\x08\x0a\x00\x00\x00\x00\x00'),
       raw(eth() / IP(src='10.0.0.1', dst='10.0.0.2') / ICMP(type=3, code=1) / Raw(b'\x75\x01\x02')),
       raw(eth() / IPv6(src=C6, dst=S6, hlim=255) / ICMPv6ND_NS(tgt=S6) / Raw(b'\x01\x00' + b'\0' * 6)),
       raw(eth(type=0x0806)) + bytes([0, 1, 8, 0, 255, 255, 0, 1]) + b'\x11' * 30,
       b'\x00\x04\x00\x01\x00\x06\x00\xa0\xc9',
       b'\x50\x00\x00\x00\x00'],
      links=[4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 6, 11])

# Captures of other link types for the import path (written as pcap files).
sll = [CookedLinux(pkttype=4, lladdrtype=1, lladdrlen=6, src=bytes.fromhex('00a0c9abcdef') + b'\0\0', proto=0x0800)
       / IP(src='192.168.1.20', dst='192.168.1.2') / UDP(sport=1029, dport=53) / DNS(id=0x5a5b, rd=1, qd=DNSQR(qname='cooked.example')),
       CookedLinux(pkttype=0, lladdrtype=1, lladdrlen=6, src=bytes.fromhex('00000c123456') + b'\0\0', proto=0x86dd)
       / IPv6(src=S6, dst=C6) / TCP(sport=80, dport=40001, flags='SA', seq=1, ack=2, options=[('MSS', 1440)]),
       CookedLinux(pkttype=0, lladdrtype=772, lladdrlen=0, src=b'\0' * 8, proto=0x0800)
       / IP(src='127.0.0.1', dst='127.0.0.1') / ICMP(type=8, id=1, seq=1)]
for p in sll:
    p.time = T0
wrpcap(os.path.join(PCAPS, 'cooked_sll.pcap'), sll, linktype=113)
sll2 = [CookedLinuxV2(proto=0x86dd, ifindex=3, lladdrtype=1, pkttype=0, lladdrlen=6, src=bytes.fromhex('00000c123456') + b'\0\0')
        / IPv6(src=S6, dst=C6) / UDP(sport=53, dport=1029) / DNS(id=0x6a6b, qr=1, qd=DNSQR(qname='v2.example', qtype='AAAA'),
                                                                 an=DNSRR(rrname='v2.example', type='AAAA', rdata='2001:db8::2')),
        CookedLinuxV2(proto=0x0806, ifindex=3, lladdrtype=1, pkttype=1, lladdrlen=6, src=bytes.fromhex('00a0c9abcdef') + b'\0\0')
        / ARP(hwsrc=INTEL, psrc='192.168.1.20', pdst='192.168.1.1')]
for p in sll2:
    p.time = T0
wrpcap(os.path.join(PCAPS, 'cooked_sll2.pcap'), sll2, linktype=276)
rawip = [IP(src='10.8.0.2', dst='10.8.0.1') / ICMP(type=8, id=9, seq=9), IPv6(src='fd00::2', dst='fd00::1') / ICMPv6EchoReply(id=9, seq=9)]
for p in rawip:
    p.time = T0
wrpcap(os.path.join(PCAPS, 'raw_ip.pcap'), rawip, linktype=101)


# Seed corpora of the fuzz targets of these layers (fuzz/<target>/corpus), cut from the
# frames above: the first byte of each input is the target's own pick (see its .cpp).
from scapy.all import rdpcap
FUZZ = os.path.join(HERE, '..', '..', '..', 'fuzz')


def seed(target, name, data):
    folder = os.path.join(FUZZ, target, 'corpus')
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def read_hex(name):
    frames, cur = [], None
    for line in open(os.path.join(HERE, name + '.hex')):
        if line.startswith('@ frame'):
            cur = [int(line.split('link=')[1].split()[0]), bytearray()]
            frames.append(cur)
        elif cur is not None and not line.startswith(('#', '@')):
            cur[1] += bytes.fromhex(line)
    return frames


def ip_layer(pkt):
    for cls in (IP, IPv6):
        if cls in pkt:
            return pkt[cls]
    return None


for name in ('vlan_ipv6_dns', 'dns_modern_records', 'arp_exchange', 'icmp_messages', 'icmpv6_nd', 'tcp_options',
             'ipv6_extensions', 'hostile_modern'):
    for i, (link, data) in enumerate(read_hex(name)):
        data = bytes(data)
        pick = {4: 0, 6: 1, 7: 2}.get(link)
        if pick is not None:
            seed('link_layers', '%s_%d' % (name, i), bytes([pick]) + data)
        if link != 4:
            continue
        pkt = Ether(data)
        ip = ip_layer(pkt)
        if ip is None:
            continue
        if isinstance(ip, IPv6):
            seed('ipv6', '%s_%d' % (name, i), b'\x00' + raw(ip))
        if ICMP in pkt or (isinstance(ip, IPv6) and ip.nh == 58):
            message = raw(pkt[ICMP]) if ICMP in pkt else raw(ip.payload)
            seed('icmp', '%s_%d' % (name, i), bytes([1 if isinstance(ip, IPv6) else 0]) + message)
        if TCP in pkt and name in ('tcp_options', 'hostile_modern'):
            tcp = raw(pkt[TCP])
            options = tcp[20:(tcp[12] >> 4) * 4]
            seed('tcp_options', '%s_%d' % (name, i),
                 bytes([len(options) | (0x80 if isinstance(ip, IPv6) else 0)]) + options + tcp[(tcp[12] >> 4) * 4:])
        if DNS in pkt and name in ('vlan_ipv6_dns', 'dns_modern_records'):
            udp = UDP in pkt
            message = raw(pkt[UDP].payload) if udp else raw(pkt[TCP].payload)
            from_server = (pkt[UDP].sport if udp else pkt[TCP].sport) == 53
            seed('dns', '%s_%d' % (name, i), bytes([(0 if udp else 1) | (2 if from_server else 0)]) + message)
for name in ('cooked_sll', 'cooked_sll2'):
    for i, pkt in enumerate(rdpcap(os.path.join(PCAPS, name + '.pcap'))):
        seed('link_layers', '%s_%d' % (name, i), bytes([1 if name == 'cooked_sll' else 2]) + raw(pkt))
for i, pkt in enumerate(rdpcap(os.path.join(PCAPS, 'raw_ip.pcap'))):
    if IPv6 in pkt:
        seed('ipv6', 'raw_ip_%d' % i, b'\x00' + raw(pkt))
