#!/usr/bin/python3
"""Writes the bare workbook streams of the .xls fixtures into xls-seeds/, as seeds with which
the .xls fuzz target reaches the record parser without going through the OLE2 container.

Run with /usr/bin/python3 (Debian's python3-xlrd, for its compound-document reader):
    /usr/bin/python3 tests/workbook/fuzz/make_xls_seeds.py
"""

import glob
import os

from xlrd import compdoc

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "fixtures")


def main():
    out = os.path.join(HERE, "xls-seeds")
    os.makedirs(out, exist_ok=True)
    for path in sorted(glob.glob(os.path.join(FIXTURES, "*.xls"))):
        with open(path, "rb") as f:
            doc = compdoc.CompDoc(f.read())
        stream = doc.get_named_stream("Workbook") or doc.get_named_stream("Book")
        name = os.path.splitext(os.path.basename(path))[0] + ".biff"
        with open(os.path.join(out, name), "wb") as f:
            f.write(stream)


if __name__ == "__main__":
    main()
