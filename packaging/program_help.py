"""The option tables of palomet-cli, palometsrv and palomet, read from their own --help.

palomet-cli and palometsrv print CLI11's help, palomet Qt's QCommandLineParser help; both
put an option's names (and its value, if it takes one) at the start of a line, indented,
with the description after a run of spaces or on the next line. A command with subcommands
lists them under "Subcommands:", and each answers --help of its own, so the whole tree is
read by asking each command in turn. The man page check and the bash completion generator
both read the programs through here, so they see the same options.
"""
import os
import re
import subprocess
from dataclasses import dataclass, field

# CLI11's value types ("TEXT", "UINT:UINT in [1 - 12]=1", "TEXT:{a,b}", "TEXT:FILE") and
# Qt's "<VALUE>" placeholders; a word such as "Excludes:" after a flag is not a value.
VALUE = re.compile(r"^(?:<[^>]+>|[A-Z]{2,}(?=[:=\s]|$))")
CHOICES = re.compile(r":\{([^}]*)\}")
OPTION_LINE = re.compile(r"^ {2,4}(-\S.*)$")
SECTION = re.compile(r"^\s*(Options|Subcommands|Positionals|Arguments):\s*$")


@dataclass
class Option:
    names: tuple
    takes_value: bool
    choices: tuple = ()
    is_file: bool = False  # CLI11's ExistingFile check


@dataclass
class Positional:
    name: str
    is_file: bool


@dataclass
class Command:
    path: tuple  # () for the program itself, ("profile", "add") for a subcommand
    options: list = field(default_factory=list)
    positionals: list = field(default_factory=list)
    subcommands: list = field(default_factory=list)

    def option_names(self):
        return {name for option in self.options for name in option.names}


def parse_option(text):
    """One option line without its indentation: names, then its value, then the description."""
    head = re.split(r"\s{2,}", text.strip(), maxsplit=1)[0]
    names_text, _, rest = head.partition(" ")
    # Qt writes "-h, --help": the space after the comma belongs to the names.
    while rest.startswith("-") and names_text.endswith(","):
        more, _, rest = rest.partition(" ")
        names_text += more
    names = tuple(n for n in names_text.split(",") if n)
    value = VALUE.match(rest)
    choices = CHOICES.search(rest) if value else None
    return Option(names=names, takes_value=bool(value),
                  choices=tuple(choices.group(1).split(",")) if choices else (),
                  is_file=bool(value) and ":FILE" in rest)


def parse_help(text, path=()):
    """The options, positionals and subcommands that one command's --help lists."""
    command = Command(path=tuple(path))
    section = None
    for line in text.splitlines():
        heading = SECTION.match(line)
        if heading:
            section = heading.group(1)
            continue
        if not line.startswith(" "):
            section = None  # "Usage:", a group's "[Option Group: ...]", a description
            continue
        if section == "Options":
            match = OPTION_LINE.match(line)
            if match:
                command.options.append(parse_option(match.group(1)))
        elif section == "Subcommands" and re.match(r"^ {2}\S", line):
            command.subcommands.append(line.split()[0])
        elif section in ("Positionals", "Arguments") and re.match(r"^ {2}\S", line):
            words = line.split()
            is_file = words[0].upper() in ("FILE", "FILES", "IN", "OUT") or (len(words) > 1 and ":FILE" in words[1])
            command.positionals.append(Positional(name=words[0], is_file=is_file))
    return command


def run_help(program, path=()):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", ASAN_OPTIONS="detect_leaks=0")
    result = subprocess.run([program, *path, "--help"], capture_output=True, text=True, env=env, timeout=60)
    if result.returncode != 0:
        raise RuntimeError(f"{program} {' '.join(path)} --help exited {result.returncode}: {result.stderr}")
    return result.stdout


def read_program(program):
    """Every command of a program, its own first, keyed by its path of subcommand names."""
    commands = {}
    pending = [()]
    while pending:
        path = pending.pop(0)
        command = parse_help(run_help(program, path), path)
        if not command.options:
            raise RuntimeError(f"{program} {' '.join(path)} --help lists no option: is its format still understood?")
        commands[path] = command
        pending.extend(path + (sub,) for sub in command.subcommands)
    return commands
