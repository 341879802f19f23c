#!/usr/bin/python3
"""Writes the workbooks of the import command tests:
  two_sheets.xlsx   addresses in worksheets 2 and 3 of 3, the third named with a single quote
  third_sheet.xls   an address in worksheet 3 of 3 only
  no_address.xlsx   no address anywhere

Run with /usr/bin/python3 (Debian's python3-openpyxl and python3-xlwt):
    /usr/bin/python3 tests/workbook/import_fixtures/make_import_fixtures.py [OUTDIR]
"""

import os
import sys

import openpyxl
import xlwt


def payroll(rows, name_header="姓名"):
    return [["工号", name_header, "实发工资", "邮箱"]] + rows


SHEETS_TWO = [
    ("说明", [["本工作簿的第一张表没有电子邮件地址"]]),
    ("一车间", payroll([["001", "张三", 5000, "zhangsan@example.com"],
                        ["002", "李四", 6000, "lisi@example.com"]])),
    ("O'Brien组", payroll([["101", "王五", 5500, "wangwu@example.com"]])),
]

SHEETS_THIRD = [
    ("一", [["说明"]]),
    ("二", [["工号", "姓名"], ["001", "没有地址"]]),
    ("三", payroll([["001", "赵六", 7000, "zhaoliu@example.com"]])),
]

SHEETS_NONE = [
    ("一", [["说明"]]),
    ("二", [["工号", "姓名"], ["001", "张三 at example.com"]]),
]


def write_xlsx(path, sheets):
    book = openpyxl.Workbook()
    book.remove(book.active)
    for name, rows in sheets:
        ws = book.create_sheet(name)
        for row in rows:
            ws.append(row)
    book.save(path)


def write_xls(path, sheets):
    book = xlwt.Workbook(encoding="utf-8")
    for name, rows in sheets:
        ws = book.add_sheet(name)
        for r, row in enumerate(rows):
            for c, value in enumerate(row):
                ws.write(r, c, value)
    book.save(path)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_xlsx(os.path.join(out, "two_sheets.xlsx"), SHEETS_TWO)
    write_xls(os.path.join(out, "third_sheet.xls"), SHEETS_THIRD)
    write_xlsx(os.path.join(out, "no_address.xlsx"), SHEETS_NONE)


if __name__ == "__main__":
    main()
