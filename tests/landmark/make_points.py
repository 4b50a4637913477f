#!/usr/bin/python3
"""A small landmark workbook for the command-line tests: sheet 地标 with six
points (three 商场, two 学校, one with an empty 类型) and a second sheet."""
import sys

import xlsxwriter

book = xlsxwriter.Workbook(sys.argv[1])
other = book.add_worksheet("其它")
other.write_row(0, 0, ["x"])
sheet = book.add_worksheet("地标")
sheet.write_row(0, 0, ["序号", "站名", "经度", "纬度", "类型", "说明"])
rows = [
    (1, "天河城", 113.3251, 23.1321, "商场", "天河路 208 号"),
    (2, "华师", 113.3520, 23.1390, "学校", "石牌 & 岗顶"),
    (3, "正佳广场", 113.3270, 23.1319, "商场", "<商场>"),
    (4, "暨南大学", 113.3470, 23.1290, "学校", ""),
    (5, "太古汇", 113.3320, 23.1335, "商场", "天河路 383 号"),
    (6, "无类型", 113.3400, 23.1300, None, "类型为空"),
]
for r, row in enumerate(rows, start=1):
    for c, v in enumerate(row):
        if v is not None:
            sheet.write(r, c, v)
book.close()
