#!/usr/bin/python3
"""Writes a command's manual page from its --help text and a file of further sections.

    help_to_man.py PROGRAM SECTIONS VERSION DATE OUTPUT

The --help text is read in the layout our tools share: "Usage:" followed by indented
command lines; paragraphs; definition lists whose terms stand two blanks in and whose
text starts after two or more blanks (continuation lines are indented further); and a
sentence "Exit status: ...". They become SYNOPSIS, DESCRIPTION, OPTIONS (terms that
start with "-"), COMMANDS (other terms) and EXIT STATUS. SECTIONS holds the rest in
roff, each section headed by its name in brackets, as [NAME] or [EXAMPLES].
"""

import os
import re
import subprocess
import sys

TERM = re.compile(r"^  (\S(?:\S| (?! ))*)(?: {2,}(\S.*))?$")
EXIT_STATUS = re.compile(r"Exit status: (.*)$")


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def read_sections(path):
    sections, name = {}, None
    for line in open(path, encoding="utf-8"):
        match = re.match(r"^\[([A-Z ]+)\]\s*$", line)
        if match:
            name = match.group(1)
            sections[name] = ""
        elif name:
            sections[name] += line
    return {name: text.strip("\n") for name, text in sections.items()}


def parse_help(text):
    synopsis, description, options, commands, exit_status = [], [], [], [], []
    lines = text.splitlines()
    i = 0
    if lines and lines[0].strip() == "Usage:":
        i = 1
        while i < len(lines) and lines[i].startswith("  "):
            synopsis.append(lines[i].strip())
            i += 1
    paragraph = []
    while i < len(lines):
        line = lines[i]
        term = TERM.match(line)
        if not line.strip():
            if paragraph:
                description.append(" ".join(paragraph))
                paragraph = []
        elif term and not paragraph:
            indent = line.index(term.group(2)) if term.group(2) else 4
            words = [term.group(2)] if term.group(2) else []
            while i + 1 < len(lines) and lines[i + 1].startswith(" " * min(indent, 4)) \
                    and not TERM.match(lines[i + 1]):
                i += 1
                words.append(lines[i].strip())
            (options if term.group(1).startswith("-") else commands).append(
                (term.group(1), " ".join(words)))
        else:
            status = EXIT_STATUS.search(line)
            if status:
                before = line[:status.start()].strip()
                if before:
                    paragraph.append(before)
                exit_status.append(status.group(1))
            else:
                paragraph.append(line.strip())
        i += 1
    if paragraph:
        description.append(" ".join(paragraph))
    return synopsis, description, options, commands, exit_status


def definition_list(items):
    return "".join(f".TP\n.B {roff(term)}\n{roff(text)}\n" for term, text in items)


def main():
    program, sections_file, version, date, output = sys.argv[1:6]
    name = os.path.basename(output).rsplit(".", 1)[0]
    result = subprocess.run([program, "--help"], capture_output=True, text=True, check=False)
    if result.returncode != 0 or not result.stdout:
        sys.exit(f"help_to_man: {program} --help failed ({result.returncode}): {result.stderr}")
    synopsis, description, options, commands, exit_status = parse_help(result.stdout)
    sections = read_sections(sections_file)

    page = [f'.TH {name.upper()} 1 "{date}" "Tessaport {version}" "User Commands"']
    page.append(".SH NAME\n" + sections.pop("NAME"))
    if synopsis:
        page.append(".SH SYNOPSIS\n" + "\n.br\n".join(roff(line) for line in synopsis))
    page.append(".SH DESCRIPTION\n" + "\n.PP\n".join(roff(text) for text in description))
    if commands:
        page.append(".SH COMMANDS\n" + definition_list(commands).rstrip("\n"))
    if options:
        page.append(".SH OPTIONS\n" + definition_list(options).rstrip("\n"))
    if exit_status:
        page.append(".SH EXIT STATUS\n" + roff(" ".join(exit_status)))
    for section, text in sections.items():
        page.append(f".SH {section}\n{text}")
    with open(output, "w", encoding="utf-8") as out:
        out.write("\n".join(page) + "\n")


if __name__ == "__main__":
    main()
