#!/usr/bin/python3
"""Writes the bash completion of palomet-cli or palometsrv from the program's own option tables
(its --help, command by command), so that a new option or subcommand completes once it is
built. Usage: gen-bash-completion.py PROGRAM NAME OUT
"""
import os
import shlex
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import program_help  # noqa: E402

# What the value of an option is, where its help cannot say: files to read or write, hosts,
# accounts, network interfaces. Everything else completes nothing (a number, a name).
VALUE_KINDS = {
    "--out": "file", "--registry": "file", "--replay": "file",
    "--server": "host", "--host": "host",
    "--user": "user", "--account": "user",
    "--interface": "interface",
}

TEMPLATE = r"""# bash completion for @NAME@, written by gen-bash-completion.py from its --help.
_@FUNC@() {
    local -A subcommands=(@SUBCOMMANDS@)
    local -A options=(@OPTIONS@)
    local -A values=(@VALUES@)
    local -A files=(@FILES@)
    local cur=${COMP_WORDS[COMP_CWORD]} path=@NAME@ word i skip=0
    COMPREPLY=()
    # The subcommands typed so far make the path; an option's value is not a subcommand.
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if ((skip)); then
            skip=0
        elif [[ -n ${values[$path|$word]+set} ]]; then
            skip=1
        elif [[ " ${subcommands[$path]} " == *" $word "* ]]; then
            path+=" $word"
        fi
    done
    if ((skip)); then
        local kind=${values[$path|${COMP_WORDS[COMP_CWORD - 1]}]}
        case $kind in
            file) compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
            host) mapfile -t COMPREPLY < <(compgen -A hostname -- "$cur") ;;
            user) mapfile -t COMPREPLY < <(compgen -u -- "$cur") ;;
            interface) mapfile -t COMPREPLY < <(compgen -W "$(ls /sys/class/net 2>/dev/null)" -- "$cur") ;;
            value) ;;
            *) mapfile -t COMPREPLY < <(compgen -W "$kind" -- "$cur") ;;
        esac
    elif [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${options[$path]}" -- "$cur")
    elif [[ -n ${subcommands[$path]} ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${subcommands[$path]}" -- "$cur")
    elif [[ -n ${files[$path]+set} ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}
complete -F _@FUNC@ @NAME@
"""


def entries(pairs):
    return "".join(f"\n        [{shlex.quote(key)}]={shlex.quote(value)}" for key, value in pairs) + "\n    "


def script(name, commands):
    subcommands, options, values, files = [], [], [], []
    for path, command in commands.items():
        key = " ".join((name, *path))  # bash takes no empty key
        if command.subcommands:
            subcommands.append((key, " ".join(command.subcommands)))
        options.append((key, " ".join(n for option in command.options for n in option.names)))
        for option in command.options:
            if not option.takes_value:
                continue
            kind = " ".join(option.choices) or ("file" if option.is_file else VALUE_KINDS.get(option.names[-1], "value"))
            values.extend((f"{key}|{n}", kind) for n in option.names)
        if any(p.is_file for p in command.positionals):
            files.append((key, "1"))
    text = TEMPLATE.replace("@NAME@", name).replace("@FUNC@", name.replace("-", "_"))
    for marker, pairs in (("@SUBCOMMANDS@", subcommands), ("@OPTIONS@", options), ("@VALUES@", values),
                          ("@FILES@", files)):
        text = text.replace(marker, entries(pairs))
    return text


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    program, name, out = sys.argv[1:]
    text = script(name, program_help.read_program(program))
    with open(out + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(out + ".tmp", out)


if __name__ == "__main__":
    main()
