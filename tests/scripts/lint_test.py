#!/usr/bin/python3
"""scripts/lint.sh with stand-ins for clang-tidy: it says "clean" only when every file was read
and nothing was found; a missing clang-tidy, one that crashes or fails without a finding, and a
finding each fail it. Run: /usr/bin/python3 tests/scripts/lint_test.py
"""
import os
import stat
import subprocess
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
LINT = os.path.join(ROOT, "scripts", "lint.sh")
FILES = ["src/core/Archive.cpp", "src/capture/CPktSnap.cpp", "src/decode/CPktParsers.cpp"]
CRASHER = FILES[1]  # the one file the failing stand-ins fail on


class Lint(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.build = os.path.join(self.work.name, "build")
        os.makedirs(self.build)
        with open(os.path.join(self.build, "compile_commands.json"), "w", encoding="utf-8") as f:
            f.write("[]\n")

    def tearDown(self):
        self.work.cleanup()

    def lint(self, tidy_body):
        """Runs the lint with a clang-tidy whose last argument is the file; None: no clang-tidy."""
        tidy = os.path.join(self.work.name, "missing" if tidy_body is None else "tidy")
        if tidy_body is not None:
            with open(tidy, "w", encoding="utf-8") as f:
                f.write('#!/bin/bash\nfile=${@: -1}\n' + tidy_body + "\n")
            os.chmod(tidy, stat.S_IRWXU)
        run = subprocess.run(["bash", LINT, self.build, *FILES], capture_output=True, text=True, check=False,
                             env={**os.environ, "CLANG_TIDY": tidy})
        return run.returncode, run.stdout + run.stderr

    def test_clean_only_when_every_file_was_read_without_a_finding(self):
        cases = [
            ("nothing found", "exit 0", 0, "lint: clean"),
            ("clang-tidy missing", None, 1, "not found"),
            ("a crash on one file", f'[ "$file" = {CRASHER} ] && kill -SEGV $$; exit 0', 1,
             f"clang-tidy failed on {CRASHER}"),
            ("a failure without a finding", f'[ "$file" = {CRASHER} ] && {{ echo "no database" >&2; exit 1; }}; exit 0',
             1, "no database"),
            ("a finding made an error", f'[ "$file" = {CRASHER} ] && {{ echo "$file:3:1: error: pointer arithmetic"; '
             "exit 1; }; exit 0", 1, "1 finding(s)"),
            ("a warning", f'[ "$file" = {CRASHER} ] && echo "$file:9:2: warning: bugprone"; exit 0', 1,
             f"{CRASHER}:9:2: warning: bugprone"),
        ]
        for name, body, status, says in cases:
            with self.subTest(name):
                got, out = self.lint(body)
                self.assertEqual(got, status, out)
                self.assertIn(says, out)
                if status != 0:
                    self.assertNotIn("clean", out)


if __name__ == "__main__":
    unittest.main()
