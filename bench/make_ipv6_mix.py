"""Makes the IPv6-heavy twin of a LAN mix capture for the summary-chain benchmark: every IPv4
packet becomes an IPv6 packet (addresses 2001:db8::/96 + the IPv4 address, hop limit = TTL)
carrying the same TCP or UDP segment with its checksum redone over the IPv6 pseudo-header,
an ICMP echo becomes an ICMPv6 echo, and every fourth frame travels in an 802.1Q tag. ARP
and other frames stay as they are. So both mixes hold the same conversations and payloads,
and the difference in frames per second is the cost of the IPv6 layers.

Run: /usr/bin/python3 bench/make_ipv6_mix.py IN.pcap OUT.pcap   (deterministic)
"""
import sys
from scapy.all import Ether, IP, TCP, UDP, ICMP, Raw, Dot1Q, PcapReader, PcapWriter
from scapy.layers.inet6 import IPv6, ICMPv6EchoRequest, ICMPv6EchoReply


def v6(address):
    return '2001:db8::' + address


def convert(frame, index):
    if IP not in frame:
        return frame
    ip = frame[IP]
    inner = bytes(ip)[ip.ihl * 4:ip.len]  # the payload without the frame's padding
    if TCP in ip:
        upper = TCP(inner)
        del upper.chksum
    elif UDP in ip:
        upper = UDP(inner)
        del upper.chksum
        del upper.len
    elif ICMP in ip and ip[ICMP].type in (0, 8):
        cls = ICMPv6EchoRequest if ip[ICMP].type == 8 else ICMPv6EchoReply
        upper = cls(id=ip[ICMP].id, seq=ip[ICMP].seq, data=bytes(ip[ICMP].payload))
    else:
        return frame
    packet = IPv6(src=v6(ip.src), dst=v6(ip.dst), hlim=ip.ttl) / upper
    if index % 4 == 3:
        return Ether(src=frame.src, dst=frame.dst) / Dot1Q(vlan=100 + index % 7, prio=index % 8) / packet
    return Ether(src=frame.src, dst=frame.dst) / packet


def main(source, target):
    with PcapReader(source) as reader, PcapWriter(target, linktype=1, sync=False) as writer:
        for index, frame in enumerate(reader):
            out = Ether(bytes(convert(frame, index)))
            out.time = frame.time
            writer.write(out)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
