#!/usr/bin/python3
"""Reads every cell's text and merge state of the first sheet with openpyxl, as
bench_workbook_read does with our engine; prints "<seconds> <cells>"."""
import sys
import time
import warnings

import openpyxl

warnings.filterwarnings("ignore")
start = time.perf_counter()
wb = openpyxl.load_workbook(sys.argv[1], data_only=True)
ws = wb.worksheets[0]
merged = {}
for rng in ws.merged_cells.ranges:
    for r in range(rng.min_row, rng.max_row + 1):
        for c in range(rng.min_col, rng.max_col + 1):
            merged[(r, c)] = (rng.max_row - rng.min_row + 1, rng.max_col - rng.min_col + 1)
cells = 0
checksum = 0
for r, row in enumerate(ws.iter_rows(values_only=True), start=1):
    for c, value in enumerate(row, start=1):
        text = "" if value is None else str(value)
        checksum += len(text) + merged.get((r, c), (1, 1))[0]
        cells += 1
print("%.3f %d" % (time.perf_counter() - start, cells))
