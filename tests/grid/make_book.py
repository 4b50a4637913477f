#!/usr/bin/python3
"""Writes the workbook a grid or category test describes: make_book.py OUT.xlsx
reads {"SHEET": [[header...], [row...], ...], ...} as JSON on standard input
and writes each sheet with xlsxwriter (numbers as numbers, null as an empty
cell, texts as texts)."""
import json
import sys

import xlsxwriter

sheets = json.load(sys.stdin)
wb = xlsxwriter.Workbook(sys.argv[1])
for name, rows in sheets.items():
    ws = wb.add_worksheet(name)
    for r, row in enumerate(rows):
        for c, v in enumerate(row):
            if v is None:
                continue
            if isinstance(v, (int, float)) and not isinstance(v, bool):
                ws.write_number(r, c, v)
            else:
                ws.write_string(r, c, str(v))
wb.close()
