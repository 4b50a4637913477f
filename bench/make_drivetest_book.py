#!/usr/bin/python3
"""Writes a realistic drive-test workbook for the source benchmark:
make_drivetest_book.py OUT.xlsx [ROWS]. Ten columns, one sheet "DT",
written in constant-memory mode (inline strings), as logging tools do."""
import random
import sys

import xlsxwriter

out = sys.argv[1]
rows = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
random.seed(7)
wb = xlsxwriter.Workbook(out, {"constant_memory": True})
ws = wb.add_worksheet("DT")
ws.write_row(0, 0, ["Time", "LON", "LAT", "RX LevSub(dBm)", "RX QualSub", "CI", "LAC", "BCCH", "TA", "Event"])
lon, lat = 113.264512, 23.123456
events = ["", "", "", "", "Handover", "Call Setup", "Drop"]
for r in range(1, rows + 1):
    lon += random.uniform(-0.00005, 0.00006)
    lat += random.uniform(-0.00005, 0.00006)
    s = r // 2
    ws.write_string(r, 0, "10:%02d:%02d.%03d" % ((s // 60) % 60, s % 60, (r * 500) % 1000))
    ws.write_number(r, 1, round(lon, 6))
    ws.write_number(r, 2, round(lat, 6))
    ws.write_number(r, 3, random.randint(-110, -40))
    ws.write_number(r, 4, random.randint(0, 7))
    ws.write_number(r, 5, 10000 + random.randint(0, 300))
    ws.write_number(r, 6, 9500 + random.randint(0, 3))
    ws.write_number(r, 7, random.randint(1, 124))
    ws.write_number(r, 8, random.randint(0, 63))
    e = random.choice(events)
    if e:
        ws.write_string(r, 9, e)
wb.close()
