#!/usr/bin/python3
"""Writes a deterministic capture of a small office network as a classic pcap file (Ethernet,
microsecond stamps), with the traffic the decoders read in the proportions of a working day:

* TCP, about 60% of the frames: web browsing (HTTP/1.1 with keep-alive), FTP sessions with an
  active-mode data connection, mail sent (SMTP) and fetched (POP3), Telnet logins typed a key
  at a time, and bulk copies (file shares, print jobs). Every connection opens with its
  handshake (MSS, SACK, window scale and, between Linux hosts, timestamp options), is ACKed
  the way stacks delay ACKs, and closes with FIN, now and then with RST.
* UDP, about 28%: DNS lookups (A, AAAA, MX and PTR; CNAME chains, compressed names, NXDOMAIN),
  NetBIOS name queries, registrations and answers, NTP and syslog.
* ARP, about 6%; ICMP echo and port unreachable, about 3%; IPv6, about 2% (neighbour
  discovery, ICMPv6 echo, DNS over IPv6); the printers' VLAN (20) in 802.1Q tags throughout.
* On purpose a few frames are wrong: about 1 TCP segment in 500 has a bad checksum, 1 IPv4
  header in 2000, and 1 DNS answer in 1000 names a compression pointer past its message.

The output depends only on --count and --seed. Headers are packed here; DNS and NetBIOS
messages are built with scapy (once per distinct message: only their identifiers change).
Usage: /usr/bin/python3 scripts/gen-traffic.py --count N [--seed S] --out FILE.pcap
"""
import argparse
import random
import struct
import sys
import zlib

from scapy.layers.dns import DNS, DNSQR, DNSRR, DNSRRMX, dns_compress
from scapy.layers.netbios import NBNS_ADD_ENTRY, NBNSHeader, NBNSQueryRequest, NBNSQueryResponse, \
    NBNSRegistrationRequest

START_US = 1709627400 * 10**6  # 2024-03-05 08:30 UTC
BROADCAST = b'\xff' * 6
SYN, FIN, RST, PSH, ACK = 0x02, 0x01, 0x04, 0x08, 0x10
BAD_TCP, BAD_IP, BAD_DNS = 1 / 500, 1 / 2000, 1 / 1000
PRINTER_VLAN = 20
# Vendor prefixes (IEEE OUIs) of the office's cards, so that the decoders name their makers.
OUIS = ['001b21', '3cecef', '00145e', '001422', 'b8ca3a', '3cd92b', '00178a', '000c85', 'f0b479', '002590']
ZONE = ['example.com', 'example.net', 'example.org', 'intranet.example.com']
PAGES = ['/', '/index.html', '/news/', '/login', '/search?q=capture+filter', '/static/site.css',
         '/static/app.js', '/images/logo.png', '/docs/guide.pdf', '/api/v1/status']
FILES = ['report-q1.pdf', 'setup.exe', 'notes.txt', 'backup.tar.gz', 'drivers.zip']


def checksum(data):
    """The Internet checksum (RFC 1071): ones'-complement sum of 16-bit words, folded."""
    if len(data) % 2:
        data += b'\0'
    total = sum(struct.unpack('!%dH' % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


class Host:
    def __init__(self, rng, name, ipv4, linux, vlan=None, mac=None):
        self.name, self.ipv4, self.linux, self.vlan = name, bytes(ipv4), linux, vlan
        self.mac = mac or bytes.fromhex(rng.choice(OUIS)) + rng.randbytes(3)
        eui = bytes([self.mac[0] ^ 2]) + self.mac[1:3] + b'\xff\xfe' + self.mac[3:]
        self.ipv6 = bytes.fromhex('20010db8000a0001') + eui  # 2001:db8:a:1::/64, EUI-64
        self.link_local = bytes.fromhex('fe80000000000000') + eui
        self.ttl = 64 if linux else 128
        self.ip_id = rng.randrange(65536)


class Office:
    """The hosts, the frame builders and the conversations."""

    def __init__(self, seed):
        r = self.r = random.Random(seed)
        lan = lambda n: (192, 168, 10, n)  # noqa: E731
        self.router = Host(r, 'GW', lan(1), True, mac=bytes.fromhex('000c85') + r.randbytes(3))
        self.name_server = Host(r, 'DNS01', lan(2), True)
        self.mail = Host(r, 'MAIL01', lan(3), True)
        self.files = Host(r, 'FILES01', lan(4), False)
        self.unix = Host(r, 'UNIX01', lan(5), True)
        self.wins = Host(r, 'WINS01', lan(6), False)
        self.print_server = Host(r, 'PRINT01', (192, 168, 20, 2), False, vlan=PRINTER_VLAN)
        self.printers = [Host(r, 'PRN%02d' % i, (192, 168, 20, 10 + i), True, vlan=PRINTER_VLAN) for i in range(3)]
        self.clients = [Host(r, 'PC%02d' % i, lan(100 + i), r.random() < 0.25) for i in range(30)]
        # Beyond the router: the documentation networks 198.51.100.0/24 and 203.0.113.0/24.
        self.internet = [Host(r, 'WWW', r.choice(((198, 51, 100), (203, 0, 113))) + (10 + i,), True,
                              mac=self.router.mac) for i in range(40)]
        self.broadcast = Host(r, 'BCAST', lan(255), False, mac=BROADCAST)
        self.servers = [self.name_server, self.mail, self.files, self.unix, self.wins]
        self.bad = {'tcp': 0, 'ip': 0, 'dns': 0}
        self.messages = {}  # scapy-built DNS and NetBIOS messages by what they say
        words = [''.join(r.choice('bdfgklmnprstvz') + r.choice('aeiou') for _ in range(r.randrange(1, 4)))
                 for _ in range(2000)]
        prose = r.choices(words, [1 / (i + 1) for i in range(2000)], k=30000)  # a Zipf-like vocabulary
        self.text = ''.join(w + ('\r\n' if r.random() < 0.08 else ' ') for w in prose).encode()
        self.binary = r.randbytes(1 << 16)

    def blob(self, n, binary=False):
        source = self.binary if binary else self.text
        at = self.r.randrange(len(source) - n) if n < len(source) else 0
        return (source[at:at + n] * (n // len(source) + 1))[:n]

    # ---- headers -------------------------------------------------------------------------
    def ether(self, src, dst, ether_type, payload, dst_mac=None, vlan=None):
        tag = struct.pack('!HH', 0x8100, vlan) if vlan else b''
        frame = (dst_mac or dst.mac) + src.mac + tag + struct.pack('!H', ether_type) + payload
        return frame.ljust(60, b'\0')

    def ipv4(self, src, dst, proto, payload):
        src.ip_id = (src.ip_id + 1) & 0xFFFF
        header = struct.pack('!BBHHHBBH4s4s', 0x45, 0, 20 + len(payload), src.ip_id, 0x4000 if proto == 6 else 0,
                             src.ttl, proto, 0, src.ipv4, dst.ipv4)
        sum_ = checksum(header)
        if self.r.random() < BAD_IP:
            sum_ ^= 0x0F0F
            self.bad['ip'] += 1
        vlan = src.vlan or dst.vlan
        return self.ether(src, dst, 0x0800, header[:10] + struct.pack('!H', sum_) + header[12:] + payload, vlan=vlan)

    def ipv6(self, src, dst, next_header, payload, src_address, dst_address, dst_mac=None):
        header = struct.pack('!IHBB', 0x60000000, len(payload), next_header, 255 if next_header == 58 else 64)
        return self.ether(src, dst, 0x86DD, header + src_address + dst_address + payload, dst_mac=dst_mac)

    def transport_sum(self, src, dst, proto, segment, v6):
        if v6:
            pseudo = src + dst + struct.pack('!IxxxB', len(segment), proto)
        else:
            pseudo = src + dst + struct.pack('!BBH', 0, proto, len(segment))
        return checksum(pseudo + segment)

    def udp(self, src, dst, sport, dport, data, v6=False):
        datagram = struct.pack('!HHHH', sport, dport, 8 + len(data), 0) + data
        addresses = (src.ipv6, dst.ipv6) if v6 else (src.ipv4, dst.ipv4)
        sum_ = self.transport_sum(*addresses, 17, datagram, v6) or 0xFFFF
        datagram = datagram[:6] + struct.pack('!H', sum_) + datagram[8:]
        return self.ipv6(src, dst, 17, datagram, *addresses) if v6 else self.ipv4(src, dst, 17, datagram)

    def tcp(self, src, dst, sport, dport, seq, ack, flags, data=b'', options=b'', window=64240):
        offset = (20 + len(options)) // 4
        segment = struct.pack('!HHIIBBHHH', sport, dport, seq & 0xFFFFFFFF, ack & 0xFFFFFFFF, offset << 4, flags,
                              window, 0, 0) + options + data
        sum_ = self.transport_sum(src.ipv4, dst.ipv4, 6, segment, False)
        if self.r.random() < BAD_TCP:
            sum_ ^= 0x3C3C
            self.bad['tcp'] += 1
        return self.ipv4(src, dst, 6, segment[:16] + struct.pack('!H', sum_) + segment[18:])

    # ---- TCP conversations ---------------------------------------------------------------
    def connection(self, client, server, dport, script, sport=None):
        """Yields a whole connection; script holds (0: client to server, 1: the other way, bytes)."""
        r = self.r
        ends = [(client, server, sport or r.randrange(49152, 65535), dport)]
        ends.append((server, client, ends[0][3], ends[0][2]))
        seq = [r.getrandbits(32), r.getrandbits(32)]
        stamps = client.linux and server.linux
        clock = [r.getrandbits(31), r.getrandbits(31)]

        def syn_options(host, side):
            # Linux: MSS, SACK permitted, timestamps (offered; answered only by another Linux
            # host), window scale 7. Windows: MSS, window scale 8, SACK permitted.
            if not host.linux:
                return b'\x02\x04\x05\xb4\x01\x03\x03\x08\x01\x01\x04\x02'
            if side == 0 or stamps:
                ts = struct.pack('!BBII', 8, 10, clock[side], clock[0] if side else 0)
                return b'\x02\x04\x05\xb4\x04\x02' + ts + b'\x01\x03\x03\x07'
            return b'\x02\x04\x05\xb4\x01\x01\x04\x02\x01\x03\x03\x07'

        def options(side):
            clock[side] += 1
            return b'\1\1' + struct.pack('!BBII', 8, 10, clock[side], clock[1 - side]) if stamps else b''

        yield self.tcp(*ends[0], seq[0], 0, SYN, options=syn_options(client, 0), window=64240)
        yield self.tcp(*ends[1], seq[1], seq[0] + 1, SYN | ACK, options=syn_options(server, 1), window=65160)
        seq = [seq[0] + 1, seq[1] + 1]
        yield self.tcp(*ends[0], seq[0], seq[1], ACK, options=options(0), window=502)
        mss = 1448 if stamps else 1460
        for k, (side, data) in enumerate(script):
            answered = k + 1 < len(script) and script[k + 1][0] != side
            for i in range(0, len(data), mss):
                chunk = data[i:i + mss]
                last = i + mss >= len(data)
                yield self.tcp(*ends[side], seq[side], seq[1 - side], ACK | (PSH if last else 0), chunk,
                               options(side), window=502)
                seq[side] += len(chunk)
                # The receiver ACKs every second segment, and the last unless its answer carries the ACK.
                if (i // mss) % 2 == 1 or (last and not answered):
                    yield self.tcp(*ends[1 - side], seq[1 - side], seq[side], ACK, options=options(1 - side),
                                   window=502)
        if r.random() < 0.04:
            yield self.tcp(*ends[0], seq[0], seq[1], RST | ACK, window=0)
            return
        closer = 0 if r.random() < 0.7 else 1
        other = 1 - closer
        yield self.tcp(*ends[closer], seq[closer], seq[other], FIN | ACK, options=options(closer), window=502)
        yield self.tcp(*ends[other], seq[other], seq[closer] + 1, FIN | ACK, options=options(other), window=502)
        yield self.tcp(*ends[closer], seq[closer] + 1, seq[other] + 1, ACK, options=options(closer), window=502)

    @staticmethod
    def lines(*exchange):
        """(side, text) pairs, each text a CRLF-ended line or block."""
        return [(side, (text + '\r\n').encode()) for side, text in exchange]

    def mail_text(self, sender):
        r = self.r
        body = self.blob(r.randrange(300, 8000)).decode()
        return ('From: %s@example.com\r\nTo: team@example.com\r\nSubject: %s\r\nDate: Tue, 5 Mar 2024 '
                '09:%02d:%02d +0000\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n%s\r\n.'
                % (sender, self.blob(24).decode().replace('\r\n', ' '), r.randrange(60), r.randrange(60),
                   body.replace('\r\n.', '\r\n..')))

    def web(self, client):
        r = self.r
        script = []
        host = r.choice(['www.', 'news.', ''])+ r.choice(ZONE)
        for _ in range(r.randrange(1, 5)):
            page = r.choice(PAGES)
            status = r.choices(['200 OK', '304 Not Modified', '404 Not Found', '302 Found'], [80, 10, 5, 5])[0]
            binary = page.endswith(('.png', '.pdf'))
            size = 0 if status[0] == '3' else min(int(r.paretovariate(1.2) * 800), 200000)
            kind = 'image/png' if page.endswith('.png') else 'application/pdf' if binary else 'text/html; charset=utf-8'
            script += self.lines((0, 'GET %s HTTP/1.1\r\nHost: %s\r\nUser-Agent: Mozilla/5.0 (X11; Linux x86_64; '
                                     'rv:123.0) Gecko/20100101 Firefox/123.0\r\nAccept: */*\r\nAccept-Language: '
                                     'en-GB,en;q=0.5\r\nConnection: keep-alive\r\n' % (page, host)))
            head = 'HTTP/1.1 %s\r\nServer: nginx/1.22.1\r\nContent-Type: %s\r\nContent-Length: %d\r\n' % (
                status, kind, size)
            if status.startswith('302'):
                head += 'Location: https://%s%s\r\n' % (host, page)
            script.append((1, (head + '\r\n').encode() + self.blob(size, binary)))
        server = r.choice(self.internet + [self.unix])
        return self.connection(client, server, 80, script)

    def ftp(self, client):
        r = self.r
        server = r.choice(self.internet)
        user, file = 'user%02d' % r.randrange(30), r.choice(FILES)
        data_port = r.randrange(1024, 65000)
        control = self.lines(
            (1, '220 ProFTPD Server (files.example.net) ready.'), (0, 'USER ' + user),
            (1, '331 Password required for ' + user), (0, 'PASS secret%03d' % r.randrange(1000)),
            (1, '230 User %s logged in' % user), (0, 'SYST'), (1, '215 UNIX Type: L8'), (0, 'TYPE I'),
            (1, '200 Type set to I'),
            (0, 'PORT 192,168,10,%d,%d,%d' % (client.ipv4[3], data_port >> 8, data_port & 0xFF)),
            (1, '200 PORT command successful'), (0, 'RETR ' + file),
            (1, '150 Opening BINARY mode data connection for %s' % file))
        ending = self.lines((1, '226 Transfer complete'), (0, 'QUIT'), (1, '221 Goodbye.'))
        size = r.randrange(5000, 300000)
        data = self.connection(server, client, data_port, [(0, self.blob(size, binary=True))], sport=20)
        return self.inside(self.connection(client, server, 21, control + ending), data, b'150 Opening')

    @staticmethod
    def inside(control, data, after):
        """The control connection, with the data connection after the frame that says after."""
        for frame in control:
            yield frame
            if after in frame:
                yield from data

    def smtp(self, client):
        r = self.r
        sender = 'user%02d' % r.randrange(30)
        return self.connection(client, self.mail, 25, self.lines(
            (1, '220 mail01.example.com ESMTP Postfix'), (0, 'EHLO %s.example.com' % client.name.lower()),
            (1, '250-mail01.example.com\r\n250-PIPELINING\r\n250-SIZE 10240000\r\n250-8BITMIME\r\n250 SMTPUTF8'),
            (0, 'MAIL FROM:<%s@example.com>' % sender), (1, '250 2.1.0 Ok'), (0, 'RCPT TO:<team@example.com>'),
            (1, '250 2.1.5 Ok'), (0, 'DATA'), (1, '354 End data with <CR><LF>.<CR><LF>'),
            (0, self.mail_text(sender)), (1, '250 2.0.0 Ok: queued as %X' % r.getrandbits(40)), (0, 'QUIT'),
            (1, '221 2.0.0 Bye')))

    def pop3(self, client):
        r = self.r
        messages = [self.mail_text('user%02d' % r.randrange(30)) for _ in range(r.randrange(1, 3))]
        sizes = [len(m) for m in messages]
        exchange = [(1, '+OK Dovecot ready.'), (0, 'USER user%02d' % r.randrange(30)), (1, '+OK'),
                    (0, 'PASS secret%03d' % r.randrange(1000)), (1, '+OK Logged in.'), (0, 'STAT'),
                    (1, '+OK %d %d' % (len(sizes), sum(sizes))), (0, 'LIST'),
                    (1, '+OK %d messages:\r\n%s\r\n.' % (len(sizes), '\r\n'.join(
                        '%d %d' % (i + 1, s) for i, s in enumerate(sizes))))]
        for i, text in enumerate(messages):
            exchange += [(0, 'RETR %d' % (i + 1)), (1, '+OK %d octets\r\n%s' % (sizes[i], text)),
                         (0, 'DELE %d' % (i + 1)), (1, '+OK Marked to be deleted.')]
        exchange += [(0, 'QUIT'), (1, '+OK Logging out, messages deleted.')]
        return self.connection(client, self.mail, 110, self.lines(*exchange))

    def telnet(self, client):
        r = self.r
        typed = lambda text: [x for c in text.encode() for x in ((0, bytes([c])), (1, bytes([c])))]  # noqa: E731
        script = [(1, b'\xff\xfd\x18\xff\xfd\x20\xff\xfd\x23\xff\xfd\x27'),  # DO terminal type, speed, ...
                  (0, b'\xff\xfb\x18\xff\xfc\x20\xff\xfc\x23\xff\xfc\x27'),
                  (1, b'\xff\xfa\x18\x01\xff\xf0'), (0, b'\xff\xfa\x18\x00XTERM\xff\xf0'),
                  (1, b'\xff\xfb\x03\xff\xfd\x01\xff\xfb\x01'), (0, b'\xff\xfd\x03\xff\xfc\x01\xff\xfd\x01'),
                  (1, b'Debian GNU/Linux 12\r\nunix01 login: ')]
        script += typed('user%02d\r' % r.randrange(30)) + [(1, b'\r\nPassword: ')]
        script += [(0, bytes([c])) for c in b'secret\r'] + [(1, b'\r\nLast login: Mon Mar  4 17:02:11 2024\r\n$ ')]
        for command in r.sample(['ls -l', 'uptime', 'df -h', 'who', 'ps ax', 'tail -5 /var/log/syslog'], 2) + ['exit']:
            script += typed(command + '\r') + [(1, b'\r\n' + self.blob(r.randrange(30, 1500)) + b'\r\n$ ')]
        return self.connection(client, self.unix, 23, script)

    def bulk(self, client):
        r = self.r
        if r.random() < 0.3:  # a print job, on the printers' VLAN
            return self.connection(self.print_server, r.choice(self.printers), 9100,
                                   [(0, b'\x1b%-12345X@PJL JOB\r\n' + self.blob(r.randrange(20000, 200000), True))])
        request = self.blob(r.randrange(60, 300), True)
        return self.connection(client, self.files, 445, [(0, request), (1, self.blob(r.randrange(20000, 500000)))])

    def new_tcp(self):
        client = self.r.choice(self.clients)
        kind = self.r.choices([self.web, self.ftp, self.smtp, self.pop3, self.telnet, self.bulk],
                              [50, 8, 10, 10, 8, 14])[0]
        return kind(client)

    # ---- UDP -----------------------------------------------------------------------------
    def message(self, key, build):
        if key not in self.messages:
            self.messages[key] = bytes(build())
        return self.messages[key]

    def address_of(self, name, v6=False):
        n = zlib.crc32(name.encode())
        if v6:
            return '2001:db8:%x::%x' % (n >> 16, n & 0xFFFF)
        return '203.0.113.%d' % (1 + n % 250) if 'intranet' not in name else '192.168.10.%d' % (2 + n % 5)

    def dns_answer(self, name, qtype):
        """The query and the response for name and type, both with identifier 0."""
        exists = not name.startswith('wpad')
        query = DNS(id=0, rd=1, qd=DNSQR(qname=name, qtype=qtype))
        if not exists:
            return query, DNS(id=0, qr=1, rd=1, ra=1, rcode=3, qd=query.qd)
        if qtype == 'MX':
            answers = DNSRRMX(rrname=name, ttl=3600, preference=10, exchange='mx1.' + name) / \
                DNSRRMX(rrname=name, ttl=3600, preference=20, exchange='mx2.' + name)
        elif qtype == 'PTR':
            answers = DNSRR(rrname=name, type='PTR', ttl=86400, rdata='host-%d.example.net' % zlib.crc32(name.encode()))
        else:
            canonical = 'edge.' + next(z for z in reversed(ZONE) if name.endswith(z))
            target = DNSRR(rrname=canonical, type=qtype, ttl=300,
                           rdata=self.address_of(canonical, v6=qtype == 'AAAA'))
            answers = DNSRR(rrname=name, type='CNAME', ttl=3600, rdata=canonical) / target
        zone = next((z for z in reversed(ZONE) if name.endswith(z)), name.split('.', 1)[-1])
        authority = DNSRR(rrname=zone, type='NS', ttl=86400, rdata='ns1.' + zone)
        return query, dns_compress(DNS(id=0, qr=1, rd=1, ra=1, qd=query.qd, an=answers, ns=authority))

    def dns(self, client, v6=False):
        r = self.r
        qtype = r.choices(['A', 'AAAA', 'MX', 'PTR'], [60, 25, 5, 10])[0]
        if qtype == 'PTR':
            name = '%d.113.0.203.in-addr.arpa' % r.randrange(1, 255)
        elif qtype == 'MX':
            name = r.choice(ZONE)
        else:
            prefix = r.choices(['www.', 'mail.', 'news.', 'cdn.', 'wpad.', ''], [40, 10, 10, 15, 3, 10])[0]
            name = prefix + r.choice(ZONE)
        query = self.message(('dns-q', name, qtype), lambda: self.dns_answer(name, qtype)[0])
        response = self.message(('dns-r', name, qtype), lambda: self.dns_answer(name, qtype)[1])
        ident, port = struct.pack('!H', r.getrandbits(16)), r.randrange(49152, 65535)
        if not v6 and r.random() < 0.02:  # asked of a host that runs no name server
            wrong = r.choice(self.servers[2:])
            sent = self.udp(client, wrong, port, 53, ident + query[2:])
            yield sent
            quoted = sent[14 + (4 if client.vlan else 0):][:28]
            icmp = struct.pack('!BBHI', 3, 3, 0, 0) + quoted
            icmp = icmp[:2] + struct.pack('!H', checksum(icmp)) + icmp[4:]
            yield self.ipv4(wrong, client, 1, icmp)
            return
        if r.random() < BAD_DNS and b'\xc0\x0c' in response[12:]:
            at = response.index(b'\xc0\x0c', 12)
            response = response[:at] + b'\xc3\xff' + response[at + 2:]  # points past the end
            self.bad['dns'] += 1
        yield self.udp(client, self.name_server, port, 53, ident + query[2:], v6)
        yield self.udp(self.name_server, client, 53, port, ident + response[2:], v6)

    def netbios(self, client):
        r = self.r
        ident = struct.pack('!H', r.getrandbits(16))
        owner = r.choice(self.servers + self.clients)
        suffix = r.choice(['workstation', 'file server service', 'domain master browser'])
        if r.random() < 0.3:  # a registration: the question, and a record that points back at it
            message = self.message(('nb-reg', client.name, suffix), lambda: NBNSHeader(
                NAME_TRN_ID=0, OPCODE=5, NM_FLAGS=0x11, QDCOUNT=1, ARCOUNT=1) / NBNSRegistrationRequest(
                QUESTION_NAME=client.name, SUFFIX=suffix, TTL=300000, NB_ADDRESS='.'.join(map(str, client.ipv4))))
            yield self.udp(client, self.broadcast, 137, 137, ident + message[2:])
            return
        query = self.message(('nb-q', owner.name, suffix), lambda: NBNSHeader(NAME_TRN_ID=0, NM_FLAGS=0x11) /
                             NBNSQueryRequest(QUESTION_NAME=owner.name, SUFFIX=suffix))
        yield self.udp(client, self.broadcast, 137, 137, ident + query[2:])
        if r.random() < 0.7:
            answer = self.message(('nb-a', owner.name, suffix), lambda: NBNSHeader(
                NAME_TRN_ID=0, RESPONSE=1, OPCODE=0, NM_FLAGS=0x58, QDCOUNT=0, ANCOUNT=1) / NBNSQueryResponse(
                RR_NAME=owner.name, SUFFIX=suffix, TTL=300000,
                ADDR_ENTRY=[NBNS_ADD_ENTRY(NB_ADDRESS='.'.join(map(str, owner.ipv4)))]))
            yield self.udp(owner, client, 137, 137, ident + answer[2:])

    def new_udp(self):
        r = self.r
        client = r.choice(self.clients)
        kind = r.choices(['dns', 'netbios', 'ntp', 'syslog'], [62, 22, 6, 10])[0]
        if kind == 'dns':
            return self.dns(client)
        if kind == 'netbios':
            return self.netbios(client)
        if kind == 'ntp':
            request = b'\x23' + b'\0' * 39 + struct.pack('!II', 3918456000 + r.randrange(86400), r.getrandbits(32))
            reply = b'\x24\x02\x00\xe9' + b'\0' * 36 + request[40:]
            return iter([self.udp(client, self.unix, 123, 123, request), self.udp(self.unix, client, 123, 123, reply)])
        line = '<%d>Mar  5 09:%02d:%02d %s app[%d]: %s' % (r.randrange(8, 191), r.randrange(60), r.randrange(60),
                                                          client.name.lower(), r.randrange(100, 30000),
                                                          self.blob(r.randrange(20, 160)).decode().replace('\r\n', ' '))
        return iter([self.udp(client, self.unix, r.randrange(49152, 65535), 514, line.encode())])

    # ---- ARP, ICMP and IPv6 --------------------------------------------------------------
    def arp_packet(self, op, sender, target, target_mac):
        return struct.pack('!HHBBH', 1, 0x0800, 6, 4, op) + sender.mac + sender.ipv4 + target_mac + target.ipv4

    def new_arp(self):
        r = self.r
        if r.random() < 0.15:  # the printers' VLAN
            asker, owner = self.print_server, r.choice(self.printers)
        else:
            asker = r.choice(self.clients + self.servers)
            owner = r.choice(self.clients + self.servers + [self.router])
        if r.random() < 0.05:  # gratuitous: a host announces its own address
            return iter([self.ether(asker, asker, 0x0806, self.arp_packet(1, asker, asker, b'\0' * 6),
                                    dst_mac=BROADCAST, vlan=asker.vlan)])
        frames = [self.ether(asker, owner, 0x0806, self.arp_packet(1, asker, owner, b'\0' * 6), dst_mac=BROADCAST,
                             vlan=asker.vlan)]
        if r.random() < 0.85:
            frames.append(self.ether(owner, asker, 0x0806, self.arp_packet(2, owner, asker, asker.mac),
                                     vlan=owner.vlan))
        return iter(frames)

    def icmp_echo(self, a, b, kind, ident, sequence, v6=False):
        payload = struct.pack('!II', 1709627400 + sequence, 0) + bytes(range(16, 56))
        message = struct.pack('!BBHHH', kind, 0, 0, ident, sequence) + payload
        if v6:
            sum_ = self.transport_sum(a.ipv6, b.ipv6, 58, message, True)
            return self.ipv6(a, b, 58, message[:2] + struct.pack('!H', sum_) + message[4:], a.ipv6, b.ipv6)
        return self.ipv4(a, b, 1, message[:2] + struct.pack('!H', checksum(message)) + message[4:])

    def new_icmp(self):
        r = self.r
        a, b = r.choice(self.clients), r.choice(self.internet + self.servers)
        ident = r.getrandbits(16)
        return iter([self.icmp_echo(x, y, kind, ident, n) for n in range(1, r.randrange(2, 5))
                     for x, y, kind in ((a, b, 8), (b, a, 0))])

    def neighbour(self, asker, owner):
        target = owner.ipv6
        group = bytes.fromhex('ff0200000000000000000001ff') + target[13:]
        solicit = struct.pack('!BBHI', 135, 0, 0, 0) + target + b'\x01\x01' + asker.mac
        sum_ = self.transport_sum(asker.ipv6, group, 58, solicit, True)
        yield self.ipv6(asker, owner, 58, solicit[:2] + struct.pack('!H', sum_) + solicit[4:], asker.ipv6, group,
                        dst_mac=b'\x33\x33' + group[12:])
        advert = struct.pack('!BBHI', 136, 0, 0, 0x60000000) + target + b'\x02\x01' + owner.mac
        sum_ = self.transport_sum(owner.ipv6, asker.ipv6, 58, advert, True)
        yield self.ipv6(owner, asker, 58, advert[:2] + struct.pack('!H', sum_) + advert[4:], owner.ipv6, asker.ipv6)

    def new_ipv6(self):
        r = self.r
        client = r.choice(self.clients)
        kind = r.choices(['nd', 'echo', 'dns'], [40, 20, 40])[0]
        if kind == 'nd':
            return self.neighbour(client, r.choice([self.router, self.name_server] + self.clients))
        if kind == 'echo':
            ident = r.getrandbits(16)
            return iter([self.icmp_echo(x, y, t, ident, n, v6=True) for n in range(1, 3)
                         for x, y, t in ((client, self.router, 128), (self.router, client, 129))])
        return self.dns(client, v6=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--count', type=int, required=True, help='frames to write')
    parser.add_argument('--seed', type=int, default=1)
    parser.add_argument('--out', required=True)
    args = parser.parse_args()
    office = Office(args.seed)
    r = office.r
    makers = [office.new_tcp, office.new_udp, office.new_arp, office.new_icmp, office.new_ipv6]
    shares = [60, 28, 6, 3, 2]  # of the frames, by kind
    # Conversations of each kind run side by side, their frames interleaved.
    running = [[make() for _ in range(n)] for make, n in zip(makers, (20, 6, 2, 2, 2))]
    tally = [0] * len(makers)
    now = START_US
    with open(args.out, 'wb', buffering=1 << 20) as out:
        out.write(struct.pack('<IHHiIII', 0xA1B2C3D4, 2, 4, 0, 0, 262144, 1))
        for _ in range(args.count):
            kind = r.choices(range(len(makers)), shares)[0]
            slot = r.randrange(len(running[kind]))
            frame = next(running[kind][slot], None)
            while frame is None:  # that conversation is over: another takes its place
                running[kind][slot] = makers[kind]()
                frame = next(running[kind][slot], None)
            tally[kind] += 1
            now += 1 + int(r.expovariate(1 / 300))
            out.write(struct.pack('<IIII', now // 10**6, now % 10**6, len(frame), len(frame)) + frame)
    print('%d frames: tcp %d, udp %d, arp %d, icmp %d, ipv6 %d; bad ip/tcp checksums %d/%d, bad dns pointers %d'
          % (args.count, *tally, office.bad['ip'], office.bad['tcp'], office.bad['dns']), file=sys.stderr)


if __name__ == '__main__':
    main()
