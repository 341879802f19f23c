#!/usr/bin/python3
"""Writes the benchmark payroll: 30 columns, 3 header rows, N employee rows (.xlsx, openpyxl).

    /usr/bin/python3 bench/make_bench_workbook.py OUT.xlsx [ROWS]
"""
import sys

import openpyxl

COLUMNS = 30


def main(path, rows):
    book = openpyxl.Workbook(write_only=False)
    ws = book.active
    ws.title = "工资"
    ws.cell(row=1, column=1, value="示例科技有限公司2026年11月工资表")
    ws.merge_cells(start_row=1, start_column=1, end_row=1, end_column=COLUMNS)
    for c in range(1, COLUMNS, 2):
        ws.cell(row=2, column=c, value="项目组%d" % ((c + 1) // 2))
        ws.merge_cells(start_row=2, start_column=c, end_row=2, end_column=c + 1)
    for c in range(1, COLUMNS + 1):
        ws.cell(row=3, column=c, value="栏目%d" % c)
    ws.cell(row=3, column=2, value="姓名")
    ws.cell(row=3, column=COLUMNS, value="邮箱")
    for r in range(4, 4 + rows):
        n = r - 3
        ws.cell(row=r, column=1, value="E%05d" % n)
        ws.cell(row=r, column=2, value="员工%d" % n)
        for c in range(3, COLUMNS):
            ws.cell(row=r, column=c, value=round(1000 + n * 0.37 + c * 11.5, 2))
        ws.cell(row=r, column=COLUMNS, value="employee%d@example.com" % n)
    book.save(path)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 10000)
