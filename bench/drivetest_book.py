#!/usr/bin/python3
"""Writes the drive-test workbook the drive-test benchmarks time:
drivetest_book.py OUT.xlsx ROWS. One sheet "DT" of ten columns (Time,
Longitude, Latitude, RxLev, ...), written in constant-memory mode (inline
strings) as logging tools do."""
import random
import sys

import xlsxwriter

path, rows = sys.argv[1], int(sys.argv[2])
book = xlsxwriter.Workbook(path, {"constant_memory": True})
sheet = book.add_worksheet("DT")
sheet.write_row(0, 0, ["Time", "Longitude", "Latitude", "RxLev", "RxQual", "CellID", "BCCH", "BSIC", "TA", "Speed"])
rnd = random.Random(7)
lon, lat = 113.2, 23.1
for r in range(1, rows + 1):
    lon += rnd.uniform(-0.00005, 0.0001)
    lat += rnd.uniform(-0.00005, 0.0001)
    sheet.write_row(r, 0, ["2024-05-01 08:%02d:%02d" % (r // 60 % 60, r % 60), round(lon, 6), round(lat, 6),
                           rnd.randint(-110, -50), rnd.randint(0, 7), "C%d" % rnd.randint(1, 3000),
                           rnd.randint(1, 124), rnd.randint(0, 63), rnd.randint(0, 63), round(rnd.uniform(0, 90), 1)])
book.close()
