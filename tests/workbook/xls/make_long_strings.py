#!/usr/bin/python3
"""Writes long_strings.xls with xlwt: a shared-string table far larger than one record, so
strings cross CONTINUE borders, some switching between 8-bit and 16-bit characters there.

Run with /usr/bin/python3 (Debian's python3-xlwt):
    /usr/bin/python3 tests/workbook/xls/make_long_strings.py [OUTDIR]

tst_xls_reader rebuilds the same texts with the same rule (CellTextAt) and compares.
"""

import os
import sys

import xlwt

ROWS = 600


def text_at(i):
    # Latin and CJK runs of varying length; every 200th text is very long.
    latin = "abcdefghij" * ((i * 7) % 13)
    cjk = "工资表员工邮件" * ((i * 5) % 11)
    text = "%d:%s%s" % (i, latin, cjk) if i % 2 else "%d:%s%s" % (i, cjk, latin)
    if i % 200 == 199:
        text += "长" * 5000
    return text


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Strings")
    for i in range(ROWS):
        sheet.write(i, 0, text_at(i))
        sheet.write(i, 1, i * 0.25)
    book.save(os.path.join(out, "long_strings.xls"))


if __name__ == "__main__":
    main()
