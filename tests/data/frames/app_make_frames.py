"""Writes the application-layer fixtures (tests/data/frames/app_*.hex) from scapy-built sessions.

Same file format as make_frames.py: a '#' source note, '@ batch freq=N', then per frame an
'@ frame' line (time= stamp= number= link= wire=) and the bytes in hex.
Run: /usr/bin/python3 tests/data/frames/app_make_frames.py   (rewrites the app_*.hex files here)
"""
import os
import struct
from scapy.all import Ether, IP, TCP, UDP, Raw, raw
from scapy.layers.dns import DNS, DNSQR, DNSRR, DNSRRSOA
from scapy.layers.netbios import NBNSHeader, NBNSQueryRequest, NBNSRegistrationRequest, NBNSNodeStatusRequest

HERE = os.path.dirname(os.path.abspath(__file__))
CLIENT_MAC, SERVER_MAC = '00:a0:c9:ab:cd:ef', '00:00:0c:12:34:56'
CLIENT, SERVER = '192.168.1.20', '192.168.1.2'
T0 = 1781200800  # 2026-06-11 18:00:00 UTC


def write(name, note, packets):
    with open(os.path.join(HERE, name + '.hex'), 'w') as f:
        f.write('# ' + note + '\n')
        f.write('@ batch freq=1000000\n')
        for i, pkt in enumerate(packets):
            data = raw(pkt)
            f.write('@ frame time=%d stamp=%d number=%d link=4 wire=%d\n'
                    % (T0 + i, 1_000_000 + 1000 * i, i + 1, max(len(data), 60)))
            for j in range(0, len(data), 16):
                f.write(' '.join('%02x' % b for b in data[j:j + 16]) + '\n')


def to_server(payload, sport, dport, proto='tcp', seq=1000):
    ip = Ether(src=CLIENT_MAC, dst=SERVER_MAC) / IP(src=CLIENT, dst=SERVER)
    if proto == 'udp':
        return ip / UDP(sport=sport, dport=dport) / payload
    return ip / TCP(sport=sport, dport=dport, flags='PA', seq=seq, ack=5000, window=8760) / payload


def to_client(payload, sport, dport, proto='tcp', seq=5000):
    ip = Ether(src=SERVER_MAC, dst=CLIENT_MAC) / IP(src=SERVER, dst=CLIENT)
    if proto == 'udp':
        return ip / UDP(sport=sport, dport=dport) / payload
    return ip / TCP(sport=sport, dport=dport, flags='PA', seq=seq, ack=1000, window=8760) / payload


def tcp_dns(message):
    body = raw(message)
    return Raw(struct.pack('>H', len(body)) + body)


# DNS: a UDP query and its compressed answer; the same kind of exchange over TCP (length prefix).
query = DNS(id=0x1a2b, rd=1, qd=DNSQR(qname='www.example.com'))
answer = DNS(id=0x1a2b, qr=1, rd=1, ra=1, qd=DNSQR(qname='www.example.com'),
             an=DNSRR(rrname='www.example.com', type='CNAME', ttl=300, rdata='web.example.com')
             / DNSRR(rrname='web.example.com', type='A', ttl=60, rdata='93.184.216.34'),
             ns=DNSRR(rrname='example.com', type='NS', ttl=86400, rdata='ns1.example.com'),
             ar=DNSRR(rrname='ns1.example.com', type='A', ttl=86400, rdata='192.0.2.53')).compress()
soa_query = DNS(id=0x0102, qd=DNSQR(qname='example.net', qtype='SOA'))
soa_answer = DNS(id=0x0102, qr=1, aa=1, qd=DNSQR(qname='example.net', qtype='SOA'),
                 an=DNSRRSOA(rrname='example.net', ttl=3600, mname='ns.example.net', rname='hostmaster.example.net',
                             serial=2024010101, refresh=7200, retry=900, expire=1209600, minimum=300)).compress()
write('app_dns_session', 'scapy: DNS over UDP 1029<->53 (A query, compressed CNAME/A/NS/glue answer), then SOA over TCP 1030<->53 with length prefixes',
      [to_server(query, 1029, 53, 'udp'), to_client(answer, 53, 1029, 'udp'),
       to_server(tcp_dns(soa_query), 1030, 53), to_client(tcp_dns(soa_answer), 53, 1030)])

# NBNS: broadcast name query, registration, its positive response, node status with three names.
ws = 'WORKSTATION1'
name_query = NBNSHeader(NAME_TRN_ID=0x8001, NM_FLAGS=0x11, QDCOUNT=1) / NBNSQueryRequest(QUESTION_NAME=ws)
registration = (NBNSHeader(NAME_TRN_ID=0x8002, OPCODE=5, NM_FLAGS=0x11, QDCOUNT=1, ARCOUNT=1)
                / NBNSRegistrationRequest(QUESTION_NAME=ws, SUFFIX='file server service', NB_ADDRESS=CLIENT))
encoded = raw(registration)[12:12 + 34]
reg_response = (struct.pack('>HBBHHHH', 0x8002, 0xAD, 0x80, 0, 1, 0, 0) + encoded
                + struct.pack('>HHIH', 32, 1, 300000, 6) + struct.pack('>H', 0x6000) + bytes([192, 168, 1, 20]))
star = raw(NBNSNodeStatusRequest(QUESTION_NAME='*'))[:34]
names = [(b'WORKSTATION1   \x00', 0x0400), (b'WORKGROUP      \x00', 0x8400), (b'WORKSTATION1   \x20', 0x0600)]
rdata = bytes([len(names)]) + b''.join(n + struct.pack('>H', f) for n, f in names)
rdata += (bytes.fromhex('00a0c9abcdef') + bytes([0, 0]) + struct.pack('>HHHHHH', 1, 60, 0, 0, 0, 0)
          + struct.pack('>II', 1200, 3400) + struct.pack('>HHHHHHHHH', 0, 0, 30, 32, 32, 0, 16, 16, 1460))
node_status = struct.pack('>HBBHHHH', 0x8003, 0x84, 0x00, 0, 1, 0, 0) + star + struct.pack('>HHIH', 33, 1, 0, len(rdata)) + rdata
write('app_nbns', 'scapy: NBNS 137<->137 broadcast name query, registration with its positive response, node status response with three names',
      [to_server(name_query, 137, 137, 'udp'), to_server(registration, 137, 137, 'udp'),
       to_client(Raw(reg_response), 137, 137, 'udp'), to_client(Raw(node_status), 137, 137, 'udp')])

# HTTP: a request with headers, the response with headers and the start of its body, a body segment.
write('app_http', 'scapy: HTTP over TCP 1031<->80: GET with two headers, 200 response with headers and body, a body continuation segment',
      [to_server(Raw(b'GET /index.html HTTP/1.1\r\nHost: www.example.com\r\nAccept: text/html\r\n\r\n'), 1031, 80),
       to_client(Raw(b'HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 44\r\n\r\n<html>'), 80, 1031),
       to_client(Raw(b'<body>It works</body></html>\r\n'), 80, 1031, seq=5100)])

# FTP control connection: banner, login (the password is masked), a directory listing request.
ftp = [(0, b'220 ftp.example.com FTP server ready\r\n'), (1, b'USER alice\r\n'), (0, b'331 Password required for alice\r\n'),
       (1, b'PASS wonderland\r\n'), (0, b'230 User alice logged in\r\n'), (1, b'CWD /pub\r\n'),
       (0, b'550-No such directory\r\n550 End\r\n'), (1, b'QUIT\r\n')]
write('app_ftp', 'scapy: FTP control connection 1032<->21: banner, USER, PASS (password hidden), CWD, multi-line 550, QUIT',
      [to_server(Raw(t), 1032, 21) if up else to_client(Raw(t), 21, 1032) for up, t in ftp])

# SMTP: a short mail transaction.
smtp = [(0, b'220 mail.example.com ESMTP\r\n'), (1, b'HELO client.example.com\r\n'), (0, b'250 mail.example.com\r\n'),
        (1, b'MAIL FROM:<alice@example.com>\r\n'), (0, b'250 OK\r\n'), (1, b'RCPT TO:<bob@example.com>\r\n'),
        (0, b'250 OK\r\n'), (1, b'DATA\r\n'), (0, b'354 Start mail input; end with <CRLF>.<CRLF>\r\n'),
        (1, b'Subject: lunch\r\n\r\nNoon?\r\n.\r\n'), (0, b'250 OK queued\r\n'), (1, b'QUIT\r\n'), (0, b'221 Bye\r\n')]
write('app_smtp', 'scapy: SMTP 1033<->25: HELO, MAIL FROM, RCPT TO, DATA, the message text, QUIT with every reply',
      [to_server(Raw(t), 1033, 25) if up else to_client(Raw(t), 25, 1033) for up, t in smtp])

# POP3: login (the password is masked), retrieval of one message, a failed delete.
pop3 = [(0, b'+OK POP3 server ready\r\n'), (1, b'USER alice\r\n'), (0, b'+OK\r\n'), (1, b'PASS wonderland\r\n'),
        (0, b'+OK 1 message\r\n'), (1, b'RETR 1\r\n'), (0, b'From: bob@example.com\r\nSubject: lunch\r\n\r\nNoon?\r\n.\r\n'),
        (1, b'DELE 9\r\n'), (0, b'-ERR no such message\r\n')]
write('app_pop3', 'scapy: POP3 1034<->110: USER, PASS (password hidden), RETR with the mail text, failed DELE',
      [to_server(Raw(t), 1034, 110) if up else to_client(Raw(t), 110, 1034) for up, t in pop3])

# Hostile DNS over UDP: a header cut short, a pointer loop, counts of 65535 with three octets.
write('app_dns_hostile', 'scapy: Ether/IP/UDP to 53 carrying a 5-octet message, a name pointing at itself, counts of 65535 over 3 octets',
      [to_server(Raw(bytes.fromhex('1234010000')), 1035, 53, 'udp'),
       to_server(Raw(bytes.fromhex('000201000001000000000000' '03616263c00c00010001')), 1035, 53, 'udp'),
       to_server(Raw(bytes.fromhex('0003' '0000' 'ffffffffffffffff' '016100')), 1035, 53, 'udp')])
