"""Writes the decoder fixtures (one .hex file per case) from scapy-built LAN frames.

Each file: a '#' source note, an optional '@ batch freq=N' line (counter ticks per second),
then per frame an '@ frame' line (time= stamp= number= link= wire=) and the bytes in hex.
Run: /usr/bin/python3 tests/data/frames/make_frames.py   (rewrites the .hex files here)
"""
import os
from scapy.all import Ether, IP, TCP, UDP, ICMP, ARP, Raw, Padding, DNS, DNSQR, raw
from scapy.layers.netbios import NBNSHeader, NBNSQueryRequest

HERE = os.path.dirname(os.path.abspath(__file__))
CISCO, INTEL, HP, OTHER = '00:00:0c:12:34:56', '00:a0:c9:ab:cd:ef', '08:00:09:0a:0b:0c', '02:11:22:33:44:55'
T0 = 1781200800  # 2026-06-11 18:00:00 UTC


def frame(pkt, time=T0, stamp=1_000_000, number=1, link=4, wire=None):
    data = raw(pkt)
    return dict(data=data, time=time, stamp=stamp, number=number, link=link, wire=wire or max(len(data), 60))


def write(name, note, frames, freq=1_000_000):
    with open(os.path.join(HERE, name + '.hex'), 'w') as f:
        f.write('# ' + note + '\n')
        f.write('@ batch freq=%d\n' % freq)
        for fr in frames:
            f.write('@ frame time=%d stamp=%d number=%d link=%d wire=%d\n'
                    % (fr['time'], fr['stamp'], fr['number'], fr['link'], fr['wire']))
            d = fr['data']
            for i in range(0, len(d), 16):
                f.write(' '.join('%02x' % b for b in d[i:i + 16]) + '\n')


def eth(src=INTEL, dst=CISCO, **kw):
    return Ether(src=src, dst=dst, **kw)


# A client opens a web connection: SYN with an MSS option, sequence above 2^31.
write('tcp_syn_mss', 'scapy: Ether/IP(DF, ttl 128)/TCP SYN 1025->80 with MSS option, seq 3000000000',
      [frame(eth() / IP(src='192.168.1.20', dst='192.168.1.1', ttl=128, id=0x1c46, flags='DF')
             / TCP(sport=1025, dport=80, flags='S', seq=3000000000, window=8192, options=[('MSS', 1460)]))])

# The request that follows: PSH ACK with data, handed on to the HTTP request decoder.
write('tcp_http_get', 'scapy: Ether/IP/TCP PA 1025->80 carrying "GET /index.html HTTP/1.0" (18 data bytes past the line)',
      [frame(eth() / IP(src='192.168.1.20', dst='192.168.1.1', id=0x1c47, flags='DF')
             / TCP(sport=1025, dport=80, flags='PA', seq=3000000001, ack=120000001, window=8760)
             / Raw(b'GET /index.html HTTP/1.0\r\nAccept: */*\r\n\r\n'), number=2)])

# Pure ACKs, one with a right and one with a wrong TCP checksum; both end the chain on port 80.
ack = (eth(src=CISCO, dst=INTEL) / IP(src='192.168.1.1', dst='192.168.1.20', id=0x0101)
       / TCP(sport=80, dport=1025, flags='A', seq=120000001, ack=3000000043, window=17520))
bad = ack.copy()
bad[TCP].chksum = 0x1234
write('tcp_pure_ack', 'scapy: Ether/IP/TCP A 80->1025 header only, padded to 60 bytes; second frame has checksum forced to 0x1234',
      [frame(ack / Padding(b'\0' * 6), number=3), frame(bad / Padding(b'\0' * 6), number=4, stamp=1_000_250)])

# FIN, RST and URG flags all at once, with data, to show every summary word.
write('tcp_flags', 'scapy: Ether/IP/TCP with all six flags 4000->4001 with 5 data bytes (every summary word present)',
      [frame(eth(src=OTHER, dst=OTHER) / IP(src='10.0.0.1', dst='10.0.0.2')
             / TCP(sport=4000, dport=4001, flags='FSRPAU', seq=7, ack=9, window=100, urgptr=3) / Raw(b'hello'))])

# A datagram with a Router Alert option (header length 24) and a broken header checksum.
write('ipv4_options_badsum', 'scapy: Ether/IP(ihl 6, router-alert option, chksum 0xdead, tos 0xb8)/UDP 1029->9999 with 4 data bytes',
      [frame(eth(src=HP, dst=OTHER) / IP(src='172.16.5.4', dst='172.16.5.9', tos=0xb8, chksum=0xdead,
                                         options=[b'\x94\x04\x00\x00'])
             / UDP(sport=1029, dport=9999) / Raw(b'abcd'))])

# DNS query (transport level): UDP to 53.
write('udp_dns_query', 'scapy: Ether/IP/UDP 1029->53 DNS A query for www.example.com',
      [frame(eth() / IP(src='192.168.1.20', dst='192.168.1.2') / UDP(sport=1029, dport=53)
             / DNS(id=0x1a2b, rd=1, qd=DNSQR(qname='www.example.com')))])

# NetBIOS name query between ports 137 and 137 (broadcast destination).
write('udp_nbns_query', 'scapy: Ether(dst broadcast)/IP/UDP 137->137 NBNS query for FILESRV01',
      [frame(eth(dst='ff:ff:ff:ff:ff:ff') / IP(src='192.168.1.20', dst='192.168.1.255')
             / UDP(sport=137, dport=137) / NBNSHeader(NAME_TRN_ID=0x8001, QDCOUNT=1) / NBNSQueryRequest(QUESTION_NAME='FILESRV01'))])

# A Telnet server prompt: the summary shows its first line.
write('telnet_login', 'scapy: Ether/IP/TCP PA 23->1030 carrying "Welcome to router1" CR LF "login: "',
      [frame(eth(src=CISCO, dst=INTEL) / IP(src='192.168.1.1', dst='192.168.1.20')
             / TCP(sport=23, dport=1030, flags='PA', seq=5000, ack=6000, window=4096)
             / Raw(b'Welcome to router1\r\nlogin: '))])

# ARP who-has: type 0x0806 stops after Ethernet; broadcast shows as multicast.
write('arp_request', 'scapy: Ether(dst broadcast)/ARP who-has 192.168.1.1 tell 192.168.1.20',
      [frame(eth(dst='ff:ff:ff:ff:ff:ff') / ARP(psrc='192.168.1.20', pdst='192.168.1.1', hwsrc=INTEL))])

# ICMP echo: protocol 1 stops after IPv4.
write('icmp_echo', 'scapy: Ether/IP/ICMP echo-request with 32 data bytes',
      [frame(eth() / IP(src='192.168.1.20', dst='192.168.1.1', id=0x0a0b) / ICMP(id=1, seq=5) / Raw(b'a' * 32))])

# Fragments: the first with More Fragments goes on to UDP; the last, at a non-zero offset, stops.
write('ipv4_fragments', 'scapy: Ether/IP fragments of one UDP datagram (MF at offset 0, then offset 1480)',
      [frame(eth() / IP(src='10.1.1.1', dst='10.1.1.2', id=0x4242, flags='MF', frag=0, proto=17)
             / UDP(sport=2000, dport=2001, len=1600) / Raw(b'x' * 24)),
       frame(eth() / IP(src='10.1.1.1', dst='10.1.1.2', id=0x4242, frag=185, proto=17) / Raw(b'y' * 28),
             number=2, stamp=1_000_010)])

# An IPv6 frame: a type the test table does not name, and source/destination without vendors.
write('ether_unknown_type', 'scapy: Ether(type 0x86dd) with 40 bytes, vendorless locally administered MACs',
      [frame(Ether(src=OTHER, dst='33:33:00:00:00:01', type=0x86dd) / Raw(b'\x60' + b'\0' * 39))])

# Three frames whose stamps cross a change of the stamp's high half; ticks are milliseconds
# and thirds of milliseconds, so the deltas show truncation toward zero.
pkt = eth() / IP(src='192.168.1.20', dst='192.168.1.1') / UDP(sport=5000, dport=5001) / Raw(b'tick')
write('deltas_high_half', 'scapy: three identical Ether/IP/UDP frames, stamps 0xFFFFFE00, 0x100000100, +5000 ticks at 3000 ticks/s',
      [frame(pkt, stamp=0xFFFFFE00, number=10), frame(pkt, stamp=0x100000100, number=11, time=T0 + 1),
       frame(pkt, stamp=0x100000100 + 5000, number=12, time=T0 + 2)], freq=3000)

# Frames whose link code is not Ethernet: 99 has no decoder; 11 starts at IPv4 directly.
ipv4 = IP(src='10.9.8.7', dst='10.9.8.6', id=7) / UDP(sport=53, dport=137) / Raw(b'\0' * 12)
write('link_codes', 'scapy: the same IP/UDP 53->137 datagram stored with link code 99, then with link code 11',
      [frame(ipv4, link=99, number=1), frame(ipv4, link=11, number=2, stamp=1_000_001)])
