#!/usr/bin/python3
"""Writes the drive-test workbook the grid benchmark times: grid_book.py
OUT.xlsx ROWS. The columns of drivetest_book.py, but the drive stays inside
one city (a 20 km square around Guangzhou), as a day's log does, so that
every row falls on one UTM zone's grid. Constant-memory mode (inline
strings), as logging tools write."""
import random
import sys

import xlsxwriter

path, rows = sys.argv[1], int(sys.argv[2])
book = xlsxwriter.Workbook(path, {"constant_memory": True})
sheet = book.add_worksheet("DT")
sheet.write_row(0, 0, ["Time", "Longitude", "Latitude", "RxLev", "RxQual", "CellID", "BCCH", "BSIC", "TA", "Speed"])
rnd = random.Random(7)
west, south, span = 113.2, 23.05, 0.2
lon, lat = west + span / 2, south + span / 2
dlon, dlat = 0.00004, 0.00003
for r in range(1, rows + 1):
    # A vehicle: mostly straight on, now and then a turn; back inside at the city's edge.
    if rnd.random() < 0.002:
        dlon, dlat = rnd.uniform(-0.00005, 0.00005), rnd.uniform(-0.00005, 0.00005)
    if not west < lon + dlon < west + span:
        dlon = -dlon
    if not south < lat + dlat < south + span:
        dlat = -dlat
    lon += dlon + rnd.uniform(-0.000002, 0.000002)
    lat += dlat + rnd.uniform(-0.000002, 0.000002)
    sheet.write_row(r, 0, ["2024-05-01 08:%02d:%02d" % (r // 60 % 60, r % 60), round(lon, 6), round(lat, 6),
                           rnd.randint(-110, -50), rnd.randint(0, 7), "C%d" % rnd.randint(1, 3000),
                           rnd.randint(1, 124), rnd.randint(0, 63), rnd.randint(0, 63), round(rnd.uniform(0, 90), 1)])
book.close()
