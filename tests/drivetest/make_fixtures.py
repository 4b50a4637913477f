#!/usr/bin/python3
"""Writes the drive-test fixture workbooks into the folder given as argument.

dt.xlsx, sheet "DT": a short drive with the binning pair of the layer's
example (113.264512/23.123456 and 113.264598/23.123499), a 0,0 row, a row
with only one coordinate 0, a repeated position, band-edge values and a
Chinese name column.
sheet "Thru": throughputs above the smallint range and a fractional SINR.
sheet "Empty": headers only.
sheet "Bad": a level column holding a text.
"""
import os
import sys

import xlsxwriter

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
book = xlsxwriter.Workbook(os.path.join(folder, "dt.xlsx"))

dt = book.add_worksheet("DT")
headers = ["Longitude", "Latitude", "RX LevSub(dBm)", "Cell Name", "点名"]
rows = [
    [113.30, 23.20, -70, "C&1", "甲"],
    [113.264512, 23.123456, -84, "C2", "乙"],
    [113.264598, 23.123499, -87, "C2", "乙"],
    [0, 0, -60, "C3", "丙"],
    [0, 23.5, -95, "C4", "丁"],
    [113.10, 23.10, -20, "C5", "戊"],
    [113.30, 23.20, -72, "C1", "甲"],
    [113.40, 23.40, -121, "C6", "己"],
]
for c, h in enumerate(headers):
    dt.write(0, c, h)
for r, row in enumerate(rows, start=1):
    for c, v in enumerate(row):
        dt.write(r, c, v)

thru = book.add_worksheet("Thru")
for c, h in enumerate(["LON", "LAT", "RLC Throughput DL(Kbps)", "SINR"]):
    thru.write(0, c, h)
for r, row in enumerate([[113.1, 23.1, 48000, -3.5], [113.2, 23.2, 512, 4]], start=1):
    for c, v in enumerate(row):
        thru.write(r, c, v)

empty = book.add_worksheet("Empty")
for c, h in enumerate(["Longitude", "Latitude", "电平"]):
    empty.write(0, c, h)
bad = book.add_worksheet("Bad")
for c, h in enumerate(["Longitude", "Latitude", "电平"]):
    bad.write(0, c, h)
bad.write_row(1, 0, [113.1, 23.1, -80])
bad.write_row(2, 0, [113.2, 23.2, "弱"])
book.close()
