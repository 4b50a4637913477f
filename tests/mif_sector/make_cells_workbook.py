#!/usr/bin/python3
"""Writes the cell workbook the MIF sector end-to-end tests read.

usage: make_cells_workbook.py OUT.xlsx

Sheet "Sheet1": a header row and one row per case (directed, short-radius,
indoor circle and square, no direction, wrap around north, Chinese text, a
cell holding the delimiter). Sheet "空表" has the header only.
"""
import sys

import xlsxwriter

HEADER = ["小区名", "经度", "纬度", "方位角", "Height (m)", "备注"]
ROWS = [
    ["S001-1", 113.5, 22.5, 120, 30, "主覆盖"],
    ["S001-4", 113.5, 22.5, 120, 25.5, "第二频段"],
    ["室分1", 113.51, 22.51, -1, None, "室分"],
    ["室内2", 113.52, 22.52, -2, 12, "A,B"],
    ["无方向", 113.53, 22.53, None, 8, None],
    ["北向站1800", 113.54, 22.54, 350, 40, "say \"hi\""],
]


def main(path):
    book = xlsxwriter.Workbook(path)
    sheet = book.add_worksheet("Sheet1")
    sheet.write_row(0, 0, HEADER)
    for r, row in enumerate(ROWS, start=1):
        for c, value in enumerate(row):
            if value is not None:
                sheet.write(r, c, value)
    empty = book.add_worksheet("空表")
    empty.write_row(0, 0, HEADER)
    book.close()


if __name__ == "__main__":
    main(sys.argv[1])
