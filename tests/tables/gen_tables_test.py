#!/usr/bin/python3
"""scripts/gen-tables.py: the vendor short names it shapes, and the shipped data/tables rows
checked against the ranges their tables hold. Run: /usr/bin/python3 tests/tables/gen_tables_test.py
"""
import importlib.util
import os
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SPEC = importlib.util.spec_from_file_location("gen_tables", os.path.join(ROOT, "scripts", "gen-tables.py"))
gen = importlib.util.module_from_spec(SPEC)
SPEC.loader.exec_module(gen)


def rows(name):
    with open(os.path.join(ROOT, "data", "tables", name), encoding="utf-8") as f:
        return [line.split() for line in f if line.strip() and not line.startswith("#")]


class Generator(unittest.TestCase):
    def test_the_first_word_names_the_vendor(self):
        for name, short in [("Apple, Inc.", "Apple"), ("Cisco Systems, Inc", "Cisco"),
                            ("SHENZHEN Guangdong Bilian Electronic Co.,Ltd", "Bilian"), ("Texas Instruments", "TI"),
                            ("Hewlett Packard Enterprise", "HPE"), ("THE NTI GROUP", "NTI"), ("Shenzhen", "Shenzhen")]:
            with self.subTest(name=name):
                self.assertEqual(gen.short_name(name), short)
                # The loader's first-word rule finds it, and the IEEE name is kept whole.
                self.assertEqual(gen.vendor_description(name).split()[0], short)
                self.assertIn(name, gen.vendor_description(name))

    def test_shipped_rows_lie_in_their_ranges(self):
        self.assertEqual([int(r[0]) for r in rows("protocol-numbers")], list(gen.PROTOCOL_RANGE))
        self.assertEqual([int(r[0]) for r in rows("tcp-options")], list(gen.TCP_OPTION_RANGE))
        ports = [(int(r[1].split("/")[0]), r[1].split("/")[1], r[0]) for r in rows("port-numbers")]
        self.assertFalse([p for p in ports if p[0] not in gen.PORT_RANGE or p[1] not in ("tcp", "udp")])
        self.assertIn((465, "tcp", "submissions"), ports)
        for r in rows("ethernet-vendors"):
            self.assertRegex(r[0], "^[0-9A-F]{6}$")
            self.assertNotIn(r[1][-1], ",.;:", r)
            self.assertNotIn(r[1].lower(), gen.PLACE_WORDS, r)


if __name__ == "__main__":
    unittest.main()
