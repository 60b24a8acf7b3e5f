#!/usr/bin/python3
"""scripts/check-layers on throwaway source trees: every broken rule fails it with the file and
line named, and a folder that is missing or holds no layer fails it too, never passes as clean.
Run: /usr/bin/python3 tests/scripts/check_layers_test.py
"""
import os
import subprocess
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
CHECKER = os.path.join(ROOT, "scripts", "check-layers")


def check(tree):
    """Runs the checker on a tree given as {path: text}; returns (exit status, output)."""
    with tempfile.TemporaryDirectory() as src:
        for path, text in tree.items():
            os.makedirs(os.path.dirname(os.path.join(src, path)), exist_ok=True)
            with open(os.path.join(src, path), "w", encoding="utf-8") as f:
                f.write(text)
        run = subprocess.run(["/usr/bin/python3", CHECKER, src], capture_output=True, text=True, check=False)
        return run.returncode, run.stdout + run.stderr


# A tree that keeps every rule; each case adds one file to it.
CLEAN = {
    "core/Result.h": "#pragma once\n#include <string>\n",
    "capture/Trace.cpp": '#include "core/Result.h"\n',
    "decode/Chain.cpp": '#include "capture/Trace.h"\n#include "core/Result.h"\n',
    "agentd/Daemon.cpp": '#include "capture/Trace.h"\n',
    "views/List.cpp": '#include <QTableView>\n#include "decode/Chain.h"\n',
    "profiles/ui/Dialog.cpp": "#include <QDialog>\n#include <QtWidgets/QLabel>\n",
}


class Rules(unittest.TestCase):
    def test_a_tree_that_keeps_the_rules_passes(self):
        status, out = check(CLEAN)
        self.assertEqual(status, 0, out)
        self.assertIn("0 problem(s)", out)

    def test_each_broken_rule_fails_and_names_the_line(self):
        cases = [
            ("a lower layer reaching up", "core/Text.cpp", '#include <vector>\n#include "decode/Chain.h"\n',
             "core/Text.cpp:2:"),
            ("Qt below the GUI", "capture/Pcap.cpp", "#include <QString>\n", "capture/Pcap.cpp:1: Qt header <QString>"),
            ("a Qt module path below the GUI", "session/Doc.cpp", "  #  include <QtCore/QObject>\n",
             "session/Doc.cpp:1: Qt header"),
            ("Qt in a layer's own folder beside its ui/", "profiles/Store.cpp", "#include <QSettings>\n",
             "profiles/Store.cpp:1:"),
            ("the agent daemon above capture", "agentd/Server.cpp", '#include "decode/Chain.h"\n',
             "agentd/Server.cpp:1:"),
            ("a layer using the agent daemon", "session/Link.cpp", '#include "agentd/Daemon.h"\n',
             "includes the agent daemon's"),
            ("a folder the order does not name", "misc/Thing.cpp", "\n", "misc/: a folder the layer order does not name"),
        ]
        for name, path, text, says in cases:
            with self.subTest(name):
                status, out = check({**CLEAN, path: text})
                self.assertEqual(status, 1, out)
                self.assertIn(says, out)

    def test_a_folder_without_layers_is_an_error_not_a_pass(self):
        with tempfile.TemporaryDirectory() as parent:
            for name, folder in [("missing", os.path.join(parent, "nosuch")), ("empty", parent)]:
                with self.subTest(name):
                    run = subprocess.run(["/usr/bin/python3", CHECKER, folder], capture_output=True, text=True,
                                         check=False)
                    self.assertEqual(run.returncode, 2, run.stdout)
                    self.assertIn("no layers under", run.stderr)


if __name__ == "__main__":
    unittest.main()
