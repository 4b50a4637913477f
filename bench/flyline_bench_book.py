#!/usr/bin/python3
"""Writes a fly-line benchmark workbook: sheet "Cells" (N cells) and sheet
"DT" (M drive-test points served by those cells, in drive order).

usage: flyline_bench_book.py OUT.xlsx [cells] [points]
"""
import random
import sys

import xlsxwriter

out = sys.argv[1]
n_cells = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
n_points = int(sys.argv[3]) if len(sys.argv) > 3 else 1000000
rng = random.Random(7)

book = xlsxwriter.Workbook(out, {"constant_memory": True})
cells = book.add_worksheet("Cells")
cells.write_row(0, 0, ["CI", "Longitude", "Latitude", "Dir", "Site"])
sites = []
for i in range(n_cells):
    lon = round(113.0 + rng.random() * 1.5, 6)
    lat = round(22.5 + rng.random() * 1.0, 6)
    sites.append((lon, lat))
    az = -1 if i % 50 == 0 else (i % 3) * 120
    cells.write_row(i + 1, 0, [10000 + i, lon, lat, az, "站%d" % (i // 3)])

dt = book.add_worksheet("DT")
dt.write_row(0, 0, ["Longitude", "Latitude", "CI", "RxLev", "SINR"])
ci = 0
for r in range(n_points):
    if r % 12 == 0:
        ci = rng.randrange(n_cells)
    lon, lat = sites[ci]
    dt.write_row(r + 1, 0, [round(lon + rng.uniform(-0.01, 0.01), 6), round(lat + rng.uniform(-0.01, 0.01), 6),
                            10000 + ci, rng.randrange(-110, -40), round(rng.uniform(-5, 25), 1)])
book.close()
