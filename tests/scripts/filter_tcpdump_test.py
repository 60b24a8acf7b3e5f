#!/usr/bin/python3
"""palomet-cli list, count and export --filter against tcpdump -r on generated captures of every
link type an import takes (Ethernet with VLAN tags, IPv6 and ARP; Linux cooked v1 and v2; raw
IP as DLT_RAW, DLT_IPV4 and DLT_IPV6): for each expression the same frames match. A bad
expression is refused with the message tcpdump gets from libpcap, an expression that matches
nothing lists nothing, and --contains finds what the listing and the detail show.
Skipped (exit 77) where tcpdump or scapy is missing.
Run: filter_tcpdump_test.py BIN_DIR
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
BIN_DIR = os.environ.get("PALOMET_BIN_DIR", "")
CLI = ""

# Ethernet capture link types and pcap LINKTYPE_ values.
EN10MB, RAW, LINUX_SLL, LINUX_SLL2, IPV4, IPV6 = 1, 101, 113, 276, 228, 229

EXPRESSIONS = [
    "udp port 53",
    "host 10.0.0.5 and udp port 53",
    "tcp",
    "tcp[tcpflags] & tcp-syn != 0",
    "ip6",
    "ip6 and tcp dst port 80",
    "arp",
    "vlan",
    "vlan 20 and udp",
    "icmp or icmp6",
    "not ip",
    "net 10.0.0.0/24 and greater 100",
    "ether broadcast",
    "ether src 02:00:00:00:00:01",
    "portrange 1000-2000",
]


def payloads():
    """IP packets of every kind the expressions tell apart, as bytes."""
    from scapy.all import IP, UDP, TCP, ICMP, Raw, raw
    from scapy.layers.inet6 import IPv6, ICMPv6EchoRequest
    from scapy.layers.dns import DNS, DNSQR
    packets = []
    for i in range(40):
        src = "10.0.0.%d" % (1 + i % 9)
        dst = "10.0.%d.%d" % (i % 2, 53 if i % 3 == 0 else 80)
        kind = i % 8
        if kind == 0:
            p = IP(src=src, dst=dst) / UDP(sport=40000 + i, dport=53) / DNS(id=0x1234, qd=DNSQR(qname="host%d.example.com" % i))
        elif kind == 1:
            p = IP(src=dst, dst=src) / UDP(sport=53, dport=40000 + i) / DNS(id=i, qr=1, qd=DNSQR(qname="www.example.com"))
        elif kind == 2:
            p = IP(src=src, dst=dst) / TCP(sport=1024 + i * 20, dport=80, flags="S")
        elif kind == 3:
            p = IP(src=src, dst=dst) / TCP(sport=1500, dport=445, flags="PA") / Raw(b"x" * (i * 7))
        elif kind == 4:
            p = IP(src=src, dst=dst) / ICMP(type=8)
        elif kind == 5:
            p = IPv6(src="2001:db8::%x" % (i + 1), dst="2001:db8::50") / TCP(sport=50000 + i, dport=80, flags="S")
        elif kind == 6:
            p = IPv6(src="fe80::%x" % (i + 1), dst="ff02::1") / ICMPv6EchoRequest()
        else:
            p = IPv6(src="2001:db8::1", dst="2001:db8::2") / UDP(sport=1234, dport=53) / Raw(b"\x12\x34" * 8)
        packets.append(raw(p))
    return packets


def arp():
    from scapy.all import ARP, raw
    return raw(ARP(op=1, hwsrc="02:00:00:00:00:01", psrc="10.0.0.5", pdst="10.0.0.1"))


def ethernet(packets):
    """Ethernet frames: untagged and tagged (VLAN 10 and 20), ARP requests broadcast among them."""
    out = []
    for i, p in enumerate(packets):
        ethertype = 0x86DD if p[0] >> 4 == 6 else 0x0800
        src = b"\x02\x00\x00\x00\x00" + bytes([1 + i % 3])
        tag = b"" if i % 3 == 0 else struct.pack(">HH", 0x8100, 10 if i % 3 == 1 else 20)
        out.append(b"\x00\x11\x22\x33\x44\x55" + src + tag + struct.pack(">H", ethertype) + p)
        if i % 5 == 0:
            out.append(b"\xff" * 6 + b"\x02\x00\x00\x00\x00\x01" + tag + b"\x08\x06" + arp())
    return out


def sll(packets):
    out = []
    for i, p in enumerate(packets):
        protocol = 0x86DD if p[0] >> 4 == 6 else 0x0800
        out.append(struct.pack(">HHH8sH", i % 5, 1, 6, b"\x02\x00\x00\x00\x00\x01\x00\x00", protocol) + p)
    out.append(struct.pack(">HHH8sH", 1, 1, 6, b"\x02\x00\x00\x00\x00\x01\x00\x00", 0x0806) + arp())
    return out


def sll2(packets):
    out = []
    for i, p in enumerate(packets):
        protocol = 0x86DD if p[0] >> 4 == 6 else 0x0800
        out.append(struct.pack(">HHIHBB8s", protocol, 0, 2 + i % 2, 1, i % 5, 6, b"\x02\x00\x00\x00\x00\x02\x00\x00") + p)
    return out


def write_pcap(path, link_type, frames):
    with open(path, "wb") as f:
        f.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 262144, link_type))
        for i, frame in enumerate(frames):
            f.write(struct.pack("<IIII", 1_700_000_000 + i, i * 1000, len(frame), len(frame)) + frame)


def run(*arguments, check=True):
    return subprocess.run(list(arguments), capture_output=True, text=True, check=check)


def pcap_records(path):
    """(seconds, fraction, bytes) of every record of a classic pcap file."""
    with open(path, "rb") as f:
        data = f.read()
    records, at = [], 24
    while at + 16 <= len(data):
        seconds, fraction, caplen, _ = struct.unpack_from("<IIII", data, at)
        records.append((seconds, fraction, data[at + 16:at + 16 + caplen]))
        at += 16 + caplen
    return records


def tcpdump_numbers(pcap, expression, work):
    """The 0-based numbers of the frames tcpdump's filter keeps: the records it writes, found in
    order among the input's. None where libpcap cannot compile the expression for the capture's
    link type (no frame of it matches then)."""
    out = os.path.join(work, "tcpdump-kept.pcap")
    kept = run("tcpdump", "-r", pcap, "-w", out, expression, check=False)
    if kept.returncode != 0:
        return None
    numbers, records, n = [], pcap_records(pcap), 0
    for record in pcap_records(out):
        while records[n] != record:
            n += 1
        numbers.append(n)
        n += 1
    return numbers


def listed_numbers(trace, *options):
    rows = run(CLI, "list", trace, "--tsv", *options).stdout.splitlines()[1:]
    return [int(row.split("\t")[0]) for row in rows]


class FilterAgainstTcpdump(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        ip = payloads()
        v4 = [p for p in ip if p[0] >> 4 == 4]
        v6 = [p for p in ip if p[0] >> 4 == 6]
        captures = {
            "lan-mix": None,
            "ethernet": (EN10MB, ethernet(ip)),
            "linux-sll": (LINUX_SLL, sll(ip)),
            "linux-sll2": (LINUX_SLL2, sll2(ip)),
            "raw": (RAW, ip),
            "raw-ipv4": (IPV4, v4),
            "raw-ipv6": (IPV6, v6),
        }
        cls.pcaps, cls.traces = {}, {}
        for name, made in captures.items():
            pcap = os.path.join(cls.work.name, name + ".pcap")
            if made is None:
                run("/usr/bin/python3", os.path.join(ROOT, "scripts", "gen-traffic.py"), "--count", "800",
                    "--seed", "5", "--out", pcap)
            else:
                write_pcap(pcap, *made)
            trace = os.path.join(cls.work.name, name + ".tns")
            run(CLI, "import", pcap, trace, "--block-frames", "64")
            cls.pcaps[name], cls.traces[name] = pcap, trace

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_every_expression_matches_the_frames_tcpdump_matches(self):
        for name, pcap in self.pcaps.items():
            for expression in EXPRESSIONS:
                with self.subTest(capture=name, expression=expression):
                    expected = tcpdump_numbers(pcap, expression, self.work.name) or []
                    self.assertEqual(listed_numbers(self.traces[name], "--filter", expression), expected)

    def test_count_says_how_many_tcpdump_matches(self):
        for name in ("lan-mix", "linux-sll"):
            for expression in ("udp port 53", "tcp", "vlan"):
                with self.subTest(capture=name, expression=expression):
                    expected = tcpdump_numbers(self.pcaps[name], expression, self.work.name) or []
                    self.assertEqual(run(CLI, "count", self.traces[name], "--filter", expression).stdout,
                                     "%d\n" % len(expected))
                    self.assertEqual(run(CLI, "list", self.traces[name], "--filter", expression, "--count-only").stdout,
                                     "%d\n" % len(expected))

    def test_export_writes_the_frames_tcpdump_matches(self):
        for name in ("lan-mix", "linux-sll2", "raw"):
            for expression in ("udp port 53", "tcp[tcpflags] & tcp-syn != 0", "ip6"):
                with self.subTest(capture=name, expression=expression):
                    out = os.path.join(self.work.name, "exported.pcap")
                    run(CLI, "export", self.traces[name], out, "--filter", expression)
                    whole = run("tcpdump", "-n", "-tt", "-r", self.pcaps[name], expression).stdout
                    self.assertEqual(run("tcpdump", "-n", "-tt", "-r", out).stdout, whole)

    def test_a_bad_expression_is_refused_with_libpcaps_message(self):
        for expression in ("udp port", "host 10.0.0.300", "tcp port nosuchservice", "vlan and ((tcp)"):
            for command in (["list", self.traces["ethernet"], "--filter", expression],
                            ["count", self.traces["ethernet"], "--filter", expression],
                            ["export", self.traces["ethernet"], os.path.join(self.work.name, "bad.pcap"),
                             "--filter", expression]):
                with self.subTest(expression=expression, command=command[0]):
                    ours = run(CLI, *command, check=False)
                    theirs = run("tcpdump", "-r", self.pcaps["ethernet"], expression, check=False)
                    self.assertEqual(ours.returncode, 1)
                    self.assertEqual(ours.stdout, "")
                    message = theirs.stderr.strip().splitlines()[-1].removeprefix("tcpdump: ")
                    self.assertIn(message, ours.stderr)
            self.assertFalse(os.path.exists(os.path.join(self.work.name, "bad.pcap")))

    def test_an_expression_that_matches_nothing_lists_nothing(self):
        for name in ("ethernet", "raw-ipv6"):
            with self.subTest(capture=name):
                listed = run(CLI, "list", self.traces[name], "--filter", "udp port 9")
                self.assertEqual(listed.stdout.splitlines()[0].split(), ["Counter", "Delta", "Source", "Destination",
                                                                         "Summary"])
                self.assertEqual(len(listed.stdout.splitlines()), 1)
                self.assertEqual(run(CLI, "list", self.traces[name], "--filter", "udp port 9", "--json").stdout.strip(),
                                 "[]")
                self.assertEqual(run(CLI, "list", self.traces[name], "--filter", "udp port 9", "--count-only").stdout,
                                 "0\n")

    def test_filter_with_from_and_count_keeps_the_counters(self):
        trace, pcap = self.traces["lan-mix"], self.pcaps["lan-mix"]
        expected = [n for n in tcpdump_numbers(pcap, "udp port 53", self.work.name) if n >= 300][:5]
        self.assertEqual(listed_numbers(trace, "--filter", "udp port 53", "--from", "300", "--count", "5"), expected)

    def test_contains_finds_what_the_summary_and_the_detail_show(self):
        trace = self.traces["lan-mix"]
        rows = [row.split("\t") for row in run(CLI, "list", trace, "--tsv").stdout.splitlines()[1:]]
        shown = run(CLI, "show", trace, *[str(n) for n in range(200)]).stdout.lower()
        details = dict(enumerate(("\n" + shown).split("\nframe:  base frame properties")[1:]))
        for text in ("SYN", "dns", "Standard query", "no such text in any frame"):
            with self.subTest(text=text):
                in_summary = [int(r[0]) for r in rows if text.lower() in r[4].lower()]
                self.assertEqual(listed_numbers(trace, "--contains", text), in_summary)
                self.assertEqual(run(CLI, "count", trace, "--contains", text).stdout, "%d\n" % len(in_summary))
                in_detail = [n for n, shown in details.items() if text.lower() in shown]
                self.assertEqual(listed_numbers(trace, "--contains", text, "--in-detail", "--count", str(len(in_detail)),
                                                "--from", "0")[:len(in_detail)], in_detail)
        both = [int(r[0]) for r in rows if "dns" in r[4].lower()]
        self.assertEqual(listed_numbers(trace, "--contains", "dns", "--filter", "udp port 53"),
                         [n for n in both if n in tcpdump_numbers(self.pcaps["lan-mix"], "udp port 53", self.work.name)])


if __name__ == "__main__":
    BIN_DIR = sys.argv.pop(1) if len(sys.argv) > 1 else BIN_DIR
    CLI = os.path.join(BIN_DIR, "palomet-cli")
    if shutil.which("tcpdump") is None:
        print("tcpdump is not installed: check skipped")
        sys.exit(77)
    try:
        import scapy  # noqa: F401
    except ImportError:
        print("scapy is not installed: check skipped")
        sys.exit(77)
    unittest.main()
