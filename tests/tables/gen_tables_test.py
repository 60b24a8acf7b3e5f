#!/usr/bin/python3
"""scripts/gen-tables.py: the vendor short names it shapes, the ranges it keeps, and the
shipped data/tables rows checked against the ranges their tables hold.

Run: /usr/bin/python3 tests/tables/gen_tables_test.py
"""
import importlib.util
import os
import re
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SPEC = importlib.util.spec_from_file_location("gen_tables", os.path.join(ROOT, "scripts", "gen-tables.py"))
gen = importlib.util.module_from_spec(SPEC)
SPEC.loader.exec_module(gen)
TABLES = os.path.join(ROOT, "data", "tables")


def table_rows(name):
    with open(os.path.join(TABLES, name), encoding="utf-8") as f:
        return [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]


def written(text):
    f = tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False, encoding="utf-8")
    f.write(text)
    f.close()
    return f.name


class VendorNames(unittest.TestCase):
    def test_first_word_names_the_vendor(self):
        cases = [
            ("Apple, Inc.", "Apple", "Apple (Apple, Inc.)"),
            ("Cisco Systems, Inc", "Cisco", "Cisco Systems, Inc"),
            ("Shenzhen Bilian Electronic Co.,Ltd", "Bilian", "Bilian (Shenzhen Bilian Electronic Co.,Ltd)"),
            ("SHENZHEN GUANGDONG ABC Tech", "ABC", "ABC (SHENZHEN GUANGDONG ABC Tech)"),
            ("Beijing Xiaomi Mobile Software Co., Ltd", "Xiaomi", None),
            ("Texas Instruments", "TI", "TI (Texas Instruments)"),
            ("Hewlett Packard", "HP", None),
            ("Hewlett Packard Enterprise", "HPE", None),
            ("Hon Hai Precision Ind. Co.,Ltd.", "Foxconn", None),
            ("THE NTI GROUP", "NTI", None),
            ("TP-LINK TECHNOLOGIES CO.,LTD.", "TP-LINK", "TP-LINK TECHNOLOGIES CO.,LTD."),
            ("Shenzhen", "Shenzhen", "Shenzhen"),  # nothing else to name it by
        ]
        for name, short, line in cases:
            with self.subTest(name=name):
                self.assertEqual(gen.short_name(name), short)
                if line is not None:
                    self.assertEqual(gen.vendor_description(name), line)
                # The loader's rule on the written description gives the short name back.
                self.assertEqual(gen.vendor_description(name).split()[0], short)


class Ranges(unittest.TestCase):
    def test_protocols_past_255_are_left_out(self):
        path = written("ip 0 IP\nmptcp 262 MPTCP\nbig 300 BIG\nfoo 200 FOO\n")
        try:
            numbers = [int(row.split()[0]) for row in gen.ip_protocols(path)]
        finally:
            os.unlink(path)
        self.assertEqual(numbers, list(range(256)))

    def test_ports_keep_the_hand_kept_names_and_stop_at_1023(self):
        path = written("urd 465/tcp # URL Rendezvous\nhigh 5000/tcp\nnew 1000/udp # something\n")
        try:
            rows = gen.ports(path)
        finally:
            os.unlink(path)
        self.assertIn("submissions 465/tcp Message Submission over TLS protocol", rows)
        self.assertIn("new 1000/udp something", rows)
        self.assertFalse([r for r in rows if int(r.split()[1].split("/")[0]) > 1023])


class ShippedTables(unittest.TestCase):
    def test_every_row_lies_in_its_range(self):
        protocols = [int(r.split()[0]) for r in table_rows("protocol-numbers")]
        self.assertEqual(protocols, list(range(256)))
        for row in table_rows("port-numbers"):
            port, proto = row.split()[1].split("/")
            self.assertIn(int(port), gen.PORT_RANGE, row)
            self.assertIn(proto, ("tcp", "udp"), row)
        self.assertEqual([int(r.split()[0]) for r in table_rows("tcp-options")], list(gen.TCP_OPTION_RANGE))
        self.assertIn("submissions 465/tcp Message Submission over TLS protocol", table_rows("port-numbers"))

    def test_vendor_short_names_are_words_not_places(self):
        prefix = re.compile(r"^[0-9A-F]{6}$")
        for row in table_rows("ethernet-vendors"):
            fields = row.split()
            self.assertRegex(fields[0], prefix)
            short = fields[1]
            self.assertNotIn(short[-1], ",.;:", row)
            self.assertNotIn(short.lower(), gen.PLACE_WORDS, row)


if __name__ == "__main__":
    unittest.main()
