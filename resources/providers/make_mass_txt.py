#!/usr/bin/python3
"""Turns providers.tsv into the scrambled provider list mass.txt that the program downloads
from the maker's site and ships beside the executable.

Each line of mass.txt holds the seven fields of one provider, each scrambled, separated by a
tab, ending with CR LF. An empty field cannot be written (the reader would move the later
fields up), so only the notes, the last field, may be empty.

usage: make_mass_txt.py [providers.tsv] [-o mass.txt | -o -]
"""
import argparse
import os
import sys

# The program's scrambling key (src/data/Scramble.cpp); both must stay equal.
KEY = (0x4B6F, 0x7276, 0x616E, 0x6520, 0x9A3C, 0x1D5E, 0xC7A1, 0x3F82)
FIELDS = 7


def scramble(text):
    data = text.encode("utf-16-le")
    units = [data[i] | (data[i + 1] << 8) for i in range(0, len(data), 2)]
    return "".join("%04X" % (u ^ KEY[i % len(KEY)]) for i, u in enumerate(units))


def read_providers(path):
    providers = []
    with open(path, encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != FIELDS:
                sys.exit("%s:%d: %d fields, want %d" % (path, number, len(fields), FIELDS))
            if any(not f for f in fields[:FIELDS - 1]):
                sys.exit("%s:%d: only the notes may be empty" % (path, number))
            if not fields[2].isdigit() or fields[4] not in ("1", "2"):
                sys.exit("%s:%d: port must be a number, mailbox type 1 or 2" % (path, number))
            if fields[3] not in ("true", "false"):
                sys.exit("%s:%d: login must be true or false" % (path, number))
            providers.append(fields)
    return providers


def mass_text(providers):
    lines = []
    for fields in providers:
        scrambled = [scramble(f) for f in fields]
        while scrambled and not scrambled[-1]:
            scrambled.pop()
        lines.append("\t".join(scrambled) + "\r\n")
    return "".join(lines).encode("ascii")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("source", nargs="?", default=os.path.join(here, "providers.tsv"))
    parser.add_argument("-o", "--output", default=os.path.join(here, "mass.txt"))
    args = parser.parse_args()
    data = mass_text(read_providers(args.source))
    if args.output == "-":
        sys.stdout.buffer.write(data)
    else:
        with open(args.output, "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
