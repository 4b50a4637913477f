#!/usr/bin/python3
"""Writes the workbooks of the bounds tests into the folder given:
python3 make_books.py OUT_DIR

- controls.xlsx (xlsxwriter, which stores control characters as _xHHHH_):
  cells and drive-test points whose names, remarks, sites and one header hold
  characters XML 1.0 cannot carry.
"""
import os
import sys

import xlsxwriter

out = sys.argv[1]
os.makedirs(out, exist_ok=True)

wb = xlsxwriter.Workbook(os.path.join(out, "controls.xlsx"))
cells = wb.add_worksheet("小区")
cells.write_row(0, 0, ["基站名称", "经度", "纬度", "方位角", "备注\x01", "站点"])
cells.write_row(1, 0, ["A\x01站-1", 113.3, 22.5, 30, "x\x0by\x00z", "S\x1f"])
cells.write_row(2, 0, ["B站-2", 113.31, 22.51, 150, "plain", "S\x1f"])
points = wb.add_worksheet("路测")
points.write_row(0, 0, ["经度", "纬度", "电平", "点名"])
points.write_row(1, 0, [113.3, 22.5, -80, "p\x02q"])
points.write_row(2, 0, [113.31, 22.51, -90, "r\x0cs"])
wb.close()
