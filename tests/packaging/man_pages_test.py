#!/usr/bin/python3
"""Each man page against its program's --help: every option of every command is documented in
that command's section, the page documents none the program lacks, and an option shown with a
value takes one. The pages also render without a warning.
Run: man_pages_test.py BIN_DIR (the folder of the built programs)
"""
import os
import re
import subprocess
import sys
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "packaging"))
import program_help  # noqa: E402

BIN_DIR = os.environ.get("PALOMET_BIN_DIR", "")
PAGES = [("palomet-cli", "palomet-cli.1.scd"), ("palometsrv", "palometsrv.8.scd"), ("palomet", "palomet.1.scd")]

# A definition line starts with an option in bold; "_VALUE_" after a name says it takes one.
DEFINITION = re.compile(r"\*(-[\w-]+)\*( _)?")
BOLD = re.compile(r"\*([^*]+)\*")
OPTION_WORD = re.compile(r"^--?[A-Za-z][\w-]*")


def read_page(text, program):
    """The options a page defines, by the heading they stand under, and the options it uses
    elsewhere: in bold, or on the example lines that run the program."""
    definitions = {"": {}}  # heading -> {name: takes_value}
    mentions = set()
    heading, literal = "", False
    for line in text.splitlines():
        if line.startswith("```"):
            literal = not literal
            continue
        if literal:
            words = line.split()
            if program in words:
                mentions.update(w.split("=")[0] for w in words[words.index(program) + 1:] if OPTION_WORD.match(w))
        elif line.startswith("#"):
            heading = line.lstrip("#").strip() if line.startswith("## ") else line
            definitions.setdefault(heading, {})
        elif line.startswith("*-"):
            names = []  # "*-p*, *--port* _PORT_": both names take the value
            for match in DEFINITION.finditer(line):
                names.append(match.group(1))
                if not line.startswith(", *-", match.end()):
                    definitions[heading].update((name, bool(match.group(2))) for name in names)
                    names = []
        else:
            for span in BOLD.findall(line):
                words = span.split()
                if words and (words[0] == program or OPTION_WORD.match(words[0])):
                    mentions.update(OPTION_WORD.match(w).group(0) for w in words if OPTION_WORD.match(w))
    return definitions, mentions


def section_paths(heading, program):
    """ "palomet-cli service start|stop" names the commands (service, start) and (service, stop)."""
    words = heading.split()
    if not words or words[0] != program:
        return []
    *parents, last = words[1:] or [""]
    return [tuple(parents + [name]) if name else () for name in last.split("|")]


def problems(program, commands, definitions, mentions):
    found = []
    every_name = {name for command in commands.values() for name in command.option_names()}
    page_for = {}  # command path -> {name: takes_value}
    if len(commands) == 1:
        page_for[()] = {name: v for section in definitions.values() for name, v in section.items()}
    else:
        page_for[()] = definitions.get("# OPTIONS", {})
        for heading, section in definitions.items():
            paths = section_paths(heading, program)
            if not paths and section and heading != "# OPTIONS":
                found.append(f"options defined under '{heading}', which names no command of {program}")
            for path in paths:
                if path not in commands:
                    found.append(f"section '{heading}' names no command of {program}")
                page_for.setdefault(path, {}).update(section)
    for path, command in commands.items():
        where = " ".join((program, *path))
        documented = {**page_for[()], **page_for.get(path, {})}
        if path and path not in page_for:
            found.append(f"{where}: no section '## {where}'")
        for option in command.options:
            for name in option.names:
                if name not in documented:
                    found.append(f"{where}: {name} is in --help but not documented")
                elif documented[name] != option.takes_value:
                    found.append(f"{where}: {name} " + ("takes a value: show it as _VALUE_" if option.takes_value
                                                        else "takes no value, but the page shows one"))
        for name in page_for.get(path, {}):
            if name not in command.option_names():
                found.append(f"{where}: {name} is documented but not in --help")
    for name in sorted(mentions - every_name):
        found.append(f"{program}: the page uses {name}, which no command has")
    return found


class ManPages(unittest.TestCase):
    def test_every_option_documented_none_invented(self):
        for program, page in PAGES:
            with self.subTest(program=program):
                binary = os.path.join(BIN_DIR, program)
                if not os.access(binary, os.X_OK):
                    self.skipTest(f"{binary} is not built")
                with open(os.path.join(ROOT, "man", page), encoding="utf-8") as f:
                    definitions, mentions = read_page(f.read(), program)
                found = problems(program, program_help.read_program(binary), definitions, mentions)
                self.assertEqual(found, [], f"man/{page} and {program} --help differ:\n  " + "\n  ".join(found))

    def test_pages_render_without_warnings(self):
        for _, page in PAGES:
            with self.subTest(page=page):
                with open(os.path.join(ROOT, "man", page), "rb") as source:
                    roff = subprocess.run(["scdoc"], stdin=source, capture_output=True, check=True).stdout
                lint = subprocess.run(["groff", "-man", "-ww", "-z", "-Tutf8"], input=roff, capture_output=True)
                self.assertEqual(lint.stderr.decode(), "", page)


class Checker(unittest.TestCase):
    """The check itself finds what it is there for, on a page one option away from right."""
    HELP = program_help.parse_help("Options:\n  -h,--help  Help\n  --level INT  Level\n  --json  JSON\n")

    def test_finds_each_kind_of_difference(self):
        cases = [
            ("*-h*, *--help*\n\tx\n*--level* _N_\n\tx\n*--json*\n\tx\n", []),
            ("*-h*, *--help*\n\tx\n*--level* _N_\n\tx\n", ["--json is in --help but not documented"]),
            ("*-h*, *--help*\n*--level*\n*--json*\n", ["--level takes a value"]),
            ("*-h*, *--help*\n*--level* _N_\n*--json*\n*--tsv*\n", ["--tsv is documented but not in --help"]),
            ("*-h*, *--help*\n*--level* _N_\n*--json*\nSee *--jsno*.\n", ["uses --jsno"]),
            ("*-h*, *--help*\n*--level* _N_\n*--json*\n```\ntool --level 2 --colour\n```\n", ["uses --colour"]),
        ]
        for page, expected in cases:
            with self.subTest(page=page):
                found = problems("tool", {(): self.HELP}, *read_page(page, "tool"))
                self.assertEqual(len(found), len(expected), found)
                for text, problem in zip(expected, found):
                    self.assertIn(text, problem)


if __name__ == "__main__":
    if len(sys.argv) > 1:
        BIN_DIR = sys.argv.pop(1)
    unittest.main()
