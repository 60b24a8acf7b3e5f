#!/usr/bin/python3
"""The workbench on the desktop: its entry validates and opens the trace type, and the trace type
is known by its extension and, under any name, by the header every trace file starts with, as
the desktop's own type database (shared-mime-info, read through GLib) sees it.
Run: desktop_test.py
"""
import configparser
import os
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
DESKTOP = os.path.join(ROOT, "packaging", "desktop")
MIME_NS = "{http://www.freedesktop.org/standards/shared-mime-info}"


def trace_type():
    return ET.parse(os.path.join(DESKTOP, "palomet-trace.xml")).getroot().find(MIME_NS + "mime-type").get("type")


class DesktopEntry(unittest.TestCase):
    def test_entry_validates_and_opens_traces(self):
        check = subprocess.run(["desktop-file-validate", os.path.join(DESKTOP, "palomet.desktop")],
                               capture_output=True, text=True)
        self.assertEqual((check.returncode, check.stdout + check.stderr), (0, ""))
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(os.path.join(DESKTOP, "palomet.desktop"))
        section = entry["Desktop Entry"]
        self.assertIn(trace_type(), section["MimeType"].split(";"))
        self.assertEqual(section["Exec"], "palomet %F")  # the workbench takes any number of files
        self.assertTrue(os.path.exists(os.path.join(DESKTOP, section["Icon"] + ".svg")))


class TraceType(unittest.TestCase):
    def setUp(self):
        self.data = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.data)
        os.makedirs(os.path.join(self.data, "mime", "packages"))
        shutil.copy(os.path.join(DESKTOP, "palomet-trace.xml"), os.path.join(self.data, "mime", "packages"))
        subprocess.run(["update-mime-database", os.path.join(self.data, "mime")], check=True, capture_output=True)

    def content_type(self, name, data):
        path = os.path.join(self.data, name)
        with open(path, "wb") as f:
            f.write(data)
        env = dict(os.environ, XDG_DATA_HOME=self.data, XDG_DATA_DIRS=self.data + ":/usr/share")
        out = subprocess.run(["gio", "info", "-a", "standard::content-type", path], capture_output=True, text=True,
                             env=env, check=True).stdout
        return out.split("standard::content-type:")[1].strip()

    def test_known_by_extension_and_by_header(self):
        with open(os.path.join(ROOT, "samples", "sample.tns"), "rb") as f:
            sample = f.read()
        with open(os.path.join(ROOT, "samples", "sample.pcap"), "rb") as f:
            pcap = f.read()
        ours = trace_type()
        cases = [
            ("sample.tns", sample, ours),
            ("renamed.bin", sample, ours),  # the header alone says what it is
            ("header-only", sample[:24], ours),  # a capture that wrote its header and nothing yet
            # Its first four bytes are also an icon file's: only the whole signature is ours.
            ("other-release.bin", sample[:4] + bytes(8) + sample[12:], None),
            ("capture.tns", pcap, ours),  # the name wins over another type's header
            ("capture.pcap", pcap, "application/vnd.tcpdump.pcap"),
        ]
        for name, data, expected in cases:
            with self.subTest(name=name):
                if expected:
                    self.assertEqual(self.content_type(name, data), expected)
                else:
                    self.assertNotEqual(self.content_type(name, data), ours)


if __name__ == "__main__":
    unittest.main()
