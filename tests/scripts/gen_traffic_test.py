#!/usr/bin/python3
"""scripts/gen-traffic.py read back by tcpdump: the bundled sample is what samples/README.md says
made it, a seed gives the same capture every time, every kind of traffic the decoders read is
there, stamps only go forward, and exactly the frames it says it spoilt have bad checksums.
Run: /usr/bin/python3 tests/scripts/gen_traffic_test.py
"""
import os
import re
import subprocess
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
GENERATOR = os.path.join(ROOT, "scripts", "gen-traffic.py")


def generate(folder, count, seed):
    """Writes a capture; returns its path and what the generator said."""
    path = os.path.join(folder, "%d-%d.pcap" % (count, seed))
    run = subprocess.run(["/usr/bin/python3", GENERATOR, "--count", str(count), "--seed", str(seed), "--out", path],
                         capture_output=True, text=True, check=True)
    return path, run.stderr


def tcpdump(path, *arguments):
    run = subprocess.run(["tcpdump", "-n", "-r", path, *arguments], capture_output=True, text=True, check=True)
    return run.stdout.splitlines()


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Generator(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        cls.mix, cls.said = generate(cls.work.name, 3000, 2)

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_the_sample_is_what_its_readme_says(self):
        with open(os.path.join(ROOT, "samples", "README.md"), encoding="utf-8") as f:
            command = re.search(r"gen-traffic\.py --count (\d+) --seed (\d+)", f.read())
        path, _ = generate(self.work.name, int(command.group(1)), int(command.group(2)))
        self.assertEqual(read(path), read(os.path.join(ROOT, "samples", "sample.pcap")))

    def test_a_seed_gives_the_same_capture_and_another_seed_another(self):
        first, _ = generate(self.work.name, 300, 11)
        os.rename(first, first + ".first")
        again, _ = generate(self.work.name, 300, 11)
        other, _ = generate(self.work.name, 300, 12)
        self.assertEqual(read(first + ".first"), read(again))
        self.assertNotEqual(read(again), read(other))

    def test_every_kind_of_traffic_is_there(self):
        self.assertEqual(len(tcpdump(self.mix)), 3000)
        kinds = {"ARP": ["arp"], "802.1Q": ["vlan"], "IPv6": ["ip6"], "ICMP": ["icmp"], "ICMPv6": ["icmp6"],
                 "TCP handshakes": ["tcp[13] & 0x12 == 0x02"], "DNS": ["port", "53"], "NBNS": ["port", "137"],
                 "HTTP": ["tcp port 80"], "FTP": ["tcp port 21"], "FTP data": ["tcp port 20"],
                 "SMTP": ["tcp port 25"], "POP3": ["tcp port 110"], "Telnet": ["tcp port 23"]}
        for kind, expression in kinds.items():
            with self.subTest(kind):
                self.assertGreater(len(tcpdump(self.mix, *expression)), 0)

    def test_stamps_go_forward_and_only_the_spoilt_checksums_are_bad(self):
        lines = tcpdump(self.mix, "-tt", "-vv")
        stamps = [float(line.split()[0]) for line in lines if re.match(r"\d+\.\d{6} ", line)]
        self.assertEqual(len(stamps), 3000)
        self.assertTrue(all(a < b for a, b in zip(stamps, stamps[1:])))
        said = re.search(r"bad ip/tcp checksums (\d+)/(\d+)", self.said)
        bad_ip = sum("bad cksum" in line for line in lines)
        bad_tcp = sum("(incorrect ->" in line for line in lines)
        self.assertEqual(bad_ip, int(said.group(1)), self.said)
        self.assertEqual(bad_tcp, int(said.group(2)), self.said)


if __name__ == "__main__":
    unittest.main()
