#!/usr/bin/python3
"""Writes the workbooks of the bounds tests into the folder given:
python3 make_books.py OUT_DIR

- controls.xlsx (xlsxwriter, which stores control characters as _xHHHH_):
  cells and drive-test points whose names, remarks, sites and one header hold
  characters XML 1.0 cannot carry;
- rows.xlsx (xlsxwriter): sheets whose header is not in row 1 and whose data
  has blank rows between, so that result rows and the rows Excel shows differ.
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

wb = xlsxwriter.Workbook(os.path.join(out, "rows.xlsx"))
# Rows are 0-based here; Excel shows row r + 1.
bad = wb.add_worksheet("小区")
bad.write_row(2, 0, ["基站名称", "经度", "纬度", "方位角"])
bad.write_row(3, 0, ["A-1", 113.3, 22.5, 30])
bad.write_row(4, 0, ["A-2", 113.3, 22.5, 150])
bad.write_row(6, 0, ["A-3", 113.3, 22.5, "东北"])
good = wb.add_worksheet("小区好")
good.write_row(2, 0, ["基站名称", "经度", "纬度", "方位角"])
good.write_row(3, 0, ["A-1", 113.3, 22.5, 30])
good.write_row(5, 0, ["B\U0001F4F6", 113.3, 22.5, 150])
points = wb.add_worksheet("路测")
points.write_row(1, 0, ["经度", "纬度", "电平", "质量"])
points.write_row(2, 0, [113.3, 22.5, -80, 3])
points.write_row(3, 0, [None, None, -85, 4])
points.write_row(5, 0, [113.31, 22.51, -90, "弱"])
wb.close()
