#!/usr/bin/python3
"""Writes the sector-layer fixture workbook: python3 make_fixtures.py OUT.xlsx

Sheet "小区" holds one row of every kind the layer draws differently
(ordinary, near north, past 360 - h, second-band names, indoor circle and
square, an unknown negative code, an empty azimuth) and a site name with XML
special characters. Sheet "Other" comes second and is never the default."""
import sys

import xlsxwriter

ROWS = [
    ("城关-1", 113.5, 22.5, 120, "宏站"),
    ("城关-2", 113.5, 22.5, 0, "宏站"),
    ("A&B <3>", 113.5, 22.5, 350, "A&B <室外>"),
    ("城关1800-2", 113.51, 22.51, 240, "1800"),
    ("南站-4", 113.52, 22.52, 60, "四扇区"),
    ("室分", 113.53, 22.53, -1, "室分"),
    ("室内", 113.54, 22.54, -2, "室内"),
    ("未知", 113.55, 22.55, -5, "x"),
    ("空方位", 113.56, 22.56, None, "y"),
]


def main(path):
    book = xlsxwriter.Workbook(path)
    sheet = book.add_worksheet("小区")
    for col, header in enumerate(["基站名", "经度", "纬度", "方位角", "备注"]):
        sheet.write_string(0, col, header)
    for r, row in enumerate(ROWS, start=1):
        for c, value in enumerate(row):
            if value is None:
                continue
            if isinstance(value, str):
                sheet.write_string(r, c, value)
            else:
                sheet.write_number(r, c, value)
    other = book.add_worksheet("Other")
    other.write_string(0, 0, "ID")
    other.write_number(1, 0, 1)
    book.close()


if __name__ == "__main__":
    main(sys.argv[1])
