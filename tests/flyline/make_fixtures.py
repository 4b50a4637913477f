#!/usr/bin/python3
"""Writes the fly-line test workbooks into the folder given as argument.

flyline.xlsx: sheet "DT" (drive test, first in the workbook) and "Cells".
  Cells: CI 11 and 17 point north, 25 has no direction (-1), 33 appears twice.
  DT: rows 1 and 3 are identical, CI 99 has no cell, RxLev filters.
bad.xlsx: one directed cell whose identifier ends in a letter.
"""
import os
import sys

import xlsxwriter

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

book = xlsxwriter.Workbook(os.path.join(out, "flyline.xlsx"))
dt = book.add_worksheet("DT")
cells = book.add_worksheet("Cells")
for c, h in enumerate(["CI", "Longitude", "LAT_1", "Dir", "Site"]):
    cells.write(0, c, h)
for r, row in enumerate([[11, 120, 30, 0, "北站"], [17, 120, 30, 0, "北站"], [25, 113.25, 23.1, -1, "室分"],
                         [33, 113.3, 23.2, 90, "东站"], [33, 113.3, 23.2, 180, "东站"]], start=1):
    for c, v in enumerate(row):
        cells.write(r, c, v)
for c, h in enumerate(["Longitude", "LAT_1", "CI", "RxLev", "Dir"]):
    dt.write(0, c, h)
for r, row in enumerate([[120.01, 30.01, 11, -70, 1], [120.02, 30.02, 17, -90, 1], [120.01, 30.01, 11, -70, 1],
                         [120.03, 30.03, 99, -60, 1], [113.2512, 23.0981, 25, -80, 1], [113.31, 23.21, 33, -75, 1],
                         [120.04, 30.04, 11, -95, 1]], start=1):
    for c, v in enumerate(row):
        dt.write(r, c, v)
book.close()

bad = xlsxwriter.Workbook(os.path.join(out, "bad.xlsx"))
dt = bad.add_worksheet("DT")
cells = bad.add_worksheet("Cells")
for c, h in enumerate(["CI", "Longitude", "LAT_1", "Dir"]):
    cells.write(0, c, h)
for c, v in enumerate(["46001-A", 120, 30, 0]):
    cells.write(1, c, v)
for c, h in enumerate(["Longitude", "LAT_1", "CI"]):
    dt.write(0, c, h)
for c, v in enumerate([120.01, 30.01, "46001-A"]):
    dt.write(1, c, v)
bad.close()
