#!/usr/bin/python3
"""The generated bash completion of palomet-cli and palometsrv, run in bash as the shell runs it
when Tab is pressed: subcommands by path, options per command, an option's value skipped when
the path is walked, choices and files for values.
Run: completion_test.py COMPLETION_DIR (the folder the build wrote them to)
"""
import os
import subprocess
import sys
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
COMPLETION_DIR = os.environ.get("PALOMET_COMPLETION_DIR", "")


def complete(program, line):
    """What Tab offers after LINE (the word under the cursor is its last, maybe empty)."""
    words = line.split(" ")
    script = os.path.join(COMPLETION_DIR, program)
    run = (f'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); '
           f'_{program.replace("-", "_")}; printf "%s\\n" "${{COMPREPLY[@]}}"')
    result = subprocess.run(["bash", "-c", run, "bash", script, *words], capture_output=True, text=True,
                            cwd=ROOT, check=True)
    return [w for w in result.stdout.splitlines() if w]


class Completion(unittest.TestCase):
    CASES = [
        ("palomet-cli", "palomet-cli ", ["info", "list", "show", "import", "export", "agent", "capture"]),
        ("palomet-cli", "palomet-cli pro", ["profile"]),
        ("palomet-cli", "palomet-cli profile ", ["list", "show", "add", "edit", "delete"]),
        ("palomet-cli", "palomet-cli profile add --", ["--server", "--size-unit", "--include", "--json"]),
        ("palomet-cli", "palomet-cli list --le", ["--level"]),
        ("palomet-cli", "palomet-cli list --level ", ["datalink", "network", "transport", "application"]),
        ("palomet-cli", "palomet-cli stats samples/sample.tns --conversations ", ["eth", "ip", "ipv6", "tcp", "udp"]),
        ("palomet-cli", "palomet-cli stats samples/sample.tns --e", ["--endpoints"]),
        # --host takes a value, so "list" after it is a host, not the service subcommand.
        ("palomet-cli", "palomet-cli service --host list con", ["continue", "config"]),
        ("palomet-cli", "palomet-cli service config palometsrv --startup d", ["disabled"]),
        ("palomet-cli", "palomet-cli agent --server localh", ["localhost"]),
        ("palomet-cli", "palomet-cli info samples/sample.t", ["samples/sample.tns"]),
        ("palomet-cli", "palomet-cli capture --out samples/sample.p", ["samples/sample.pcap"]),
        ("palomet-cli", "palomet-cli tables x", []),  # tables takes no file
        ("palometsrv", "palometsrv --max-", ["--max-memory", "--max-engines", "--max-connections", "--max-per-source"]),
        ("palometsrv", "palometsrv --replay samples/sample.p", ["samples/sample.pcap"]),
        ("palometsrv", "palometsrv -i l", ["lo"]),
        ("palometsrv", "palometsrv --user roo", ["root"]),
        ("palometsrv", "palometsrv --grace ", []),
    ]

    def test_offers(self):
        for program, line, expected in self.CASES:
            with self.subTest(line=line):
                offered = complete(program, line)
                if expected:
                    for word in expected:
                        self.assertIn(word, offered)
                    self.assertTrue(all(w.startswith(line.split(" ")[-1]) for w in offered), offered)
                else:
                    self.assertEqual(offered, [])


if __name__ == "__main__":
    if len(sys.argv) > 1:
        COMPLETION_DIR = sys.argv.pop(1)
    unittest.main()
