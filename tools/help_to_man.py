#!/usr/bin/env python3
"""Writes tarnpack's manual page (roff) from what the program itself prints:
`tarnpack --help` gives the synopsis (its first lines, up to the first empty
one), the options (lines that begin with two blanks and a dash, with the
lines indented under them) and the notes (the paragraphs after them);
`tarnpack --version` gives the version.

    help_to_man.py TARNPACK OUT.1
"""
import os
import re
import subprocess
import sys


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def main():
    program, out = sys.argv[1], sys.argv[2]
    help_text = subprocess.run([program, "--help"], check=True, capture_output=True, text=True).stdout
    version = subprocess.run([program, "--version"], check=True, capture_output=True, text=True).stdout.strip()
    blocks = help_text.rstrip("\n").split("\n\n")
    synopsis, options, notes = blocks[0], blocks[1], blocks[2:]

    page = [f'.TH TARNPACK 1 "" "{version}" "User Commands"', ".SH NAME",
            "tarnpack \\- makes a Windows setup package from a product folder and a setup script",
            ".SH SYNOPSIS", ".nf"]
    for line in synopsis.splitlines():
        page.append(roff(line[len("usage: "):].rstrip()))
    page += [".fi", ".SH OPTIONS"]
    for line in options.splitlines():
        term = re.match(r"^  (-\S.*?)(?:\s{2,}(.*))?$", line)
        if term:
            page += [".TP", ".B " + roff(term.group(1))]
            if term.group(2):
                page.append(roff(term.group(2)))
        else:
            page.append(roff(line.strip()))
    page.append(".SH NOTES")
    for paragraph in notes:
        page += [".PP", roff(" ".join(line.strip() for line in paragraph.splitlines()))]
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(page) + "\n")


if __name__ == "__main__":
    main()
