#!/usr/bin/python3
"""Writes the command-line fixture workbook: python3 make_fixtures.py OUT.xlsx

Sheet "说明" comes first and has no header any pre-selection takes, so every
command that defaults to the first sheet finds no columns there. Sheet "小区"
holds three cells, sheet "路测" four drive-test points served by them, with a
remark "𠀀" that code page 936 cannot encode."""
import sys

import xlsxwriter


def write(sheet, headers, rows):
    for col, header in enumerate(headers):
        sheet.write_string(0, col, header)
    for r, row in enumerate(rows, start=1):
        for c, value in enumerate(row):
            if value is None:
                continue
            if isinstance(value, str):
                sheet.write_string(r, c, value)
            else:
                sheet.write_number(r, c, value)


def main(path):
    book = xlsxwriter.Workbook(path)
    write(book.add_worksheet("说明"), ["编号", "内容"], [(1, "无坐标")])
    write(book.add_worksheet("小区"), ["基站名称", "经度", "纬度", "方位角", "CI"],
          [("东站-1", 113.3, 23.1, 0, 10101),
           ("东站-2", 113.3, 23.1, 120, 10102),
           ("西站-1", 113.2,23.0, 240, 10201)])
    write(book.add_worksheet("路测"), ["经度", "纬度", "RX LevSub(dBm)", "CI", "备注"],
          [(113.301, 23.101, -72, 10101, "𠀀"),
           (113.302, 23.102, -88, 10102, "普通"),
           (113.201, 23.001, -101, 10201, "普通"),
           (113.202, 23.002, -60, 10201, "普通")])
    book.close()


if __name__ == "__main__":
    main(sys.argv[1])
