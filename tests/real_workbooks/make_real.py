#!/usr/bin/python3
"""Writes the workbooks of the real-workbook tests into the folder given:
python3 make_real.py OUT_DIR

- scripted.xlsx (openpyxl): formulas written without a stored result, as
  scripts write them;
- drive2.xlsx (xlsxwriter): cells and drive-test points, some without a
  position, for the fly-line and landmark layers;
- emptyheader.xlsx: a first row of empty shared strings, the header below it;
- extras.xlsx (xlsxwriter): cells with their own beam width and radius, a
  site column, remarks that need escaping, and a landmark sheet.
"""
import datetime
import os
import sys
import zipfile

import openpyxl
import xlsxwriter

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def scripted():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "小区"
    ws.append(["基站名称", "经度", "纬度", "方位角"])
    ws.append(["西站-1", 113.3, "=22.5+0.6", 0])
    ws.append(["西站-2", 113.31, 23.11, "=VLOOKUP(1,A1:B2,2)"])
    wb.save(os.path.join(out, "scripted.xlsx"))


def drive2():
    wb = xlsxwriter.Workbook(os.path.join(out, "drive2.xlsx"))
    cells = wb.add_worksheet("小区")
    cells.write_row(0, 0, ["基站名称", "经度", "纬度", "方位角", "CI", "类型"])
    cells.write_row(1, 0, ["东站-1", 113.3, 23.1, 0, 10101, "宏站"])
    cells.write_row(2, 0, ["东站-2", 113.3, 123.1, 120, 10102, "宏站"])  # latitude out of range
    cells.write_row(3, 0, ["北站-1", 113.4, 23.2, 240, 10201, "室分"])
    points = wb.add_worksheet("路测")
    points.write_row(0, 0, ["LON", "LAT", "RX LevSub(dBm)", "CI"])
    rows = [
        [113.301, 23.101, -80, 10101],
        [113.302, None, -81, 10101],      # row 3: no latitude
        [113.303, 23.103, -82, 10102],    # row 4: its cell has no usable position
        [113.401, 23.201, -83, 10201],
        ["n/a", 23.202, -84, 10201],      # row 6: longitude is text
    ]
    for r, row in enumerate(rows, start=1):
        for c, v in enumerate(row):
            if v is not None:
                points.write(r, c, v)
    wb.close()


def emptyheader():
    parts = {
        "[Content_Types].xml": '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/></Types>',
        "_rels/.rels": '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="r1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>',
        "xl/workbook.xml": '<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
        'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>'
        '<sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>',
        "xl/_rels/workbook.xml.rels": '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
        '</Relationships>',
        "xl/sharedStrings.xml": '<?xml version="1.0"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
        '<si><t></t></si><si><t/></si><si><t>经度</t></si><si><t>纬度</t></si></sst>',
        "xl/worksheets/sheet1.xml": '<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
        '<dimension ref="A1:B3"/><sheetData>'
        '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>'
        '<row r="2"><c r="A2" t="s"><v>2</v></c><c r="B2" t="s"><v>3</v></c></row>'
        '<row r="3"><c r="A3"><v>113.3</v></c><c r="B3"><v>23.1</v></c></row>'
        '</sheetData></worksheet>',
    }
    with zipfile.ZipFile(os.path.join(out, "emptyheader.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in parts.items():
            z.writestr(name, text)


def extras():
    wb = xlsxwriter.Workbook(os.path.join(out, "extras.xlsx"))
    cells = wb.add_worksheet("小区")
    cells.write_row(0, 0, ["基站名称", "经度", "纬度", "方位角", "Beam", "Radius", "Site", "Remark"])
    rows = [
        ["A-1", 113.3, 23.1, 0, 65, 200, "A站", 'macro "&<>'],
        ["A-2", 113.3, 23.1, 120, None, None, "A站", ""],
        ["B-4", 113.4, 23.2, 240, 20, 50, "B站", "short"],  # ends in 4: half its radius
        ["A-3", 113.3, 23.1, -2, None, 90, "A站", "indoor"],
        ["C-1", 113.5, 23.3, 90, " 40 ", None, "C站", "blank around"],
    ]
    for r, row in enumerate(rows, start=1):
        for c, v in enumerate(row):
            if v is not None:
                cells.write(r, c, v)
    bad = wb.add_worksheet("坏值")
    bad.write_row(0, 0, ["基站名称", "经度", "纬度", "方位角", "Beam", "Radius"])
    bad.write_row(1, 0, ["A-1", 113.3, 23.1, 0, 65, 200])
    bad.write_row(2, 0, ["A-2", 113.3, 23.1, 120, "wide", 80])
    # A drive with date-time cells; two rows at one position are one point.
    drive = wb.add_worksheet("路测")
    stamp = wb.add_format({"num_format": "yyyy-mm-dd hh:mm:ss"})
    drive.write_row(0, 0, ["Time", "LON", "LAT", "RSRP", "Note"])
    start = datetime.datetime(2024, 3, 1, 9, 30, 0)
    for r, (sec, lon, lat, v, note) in enumerate([(6, 113.30, 23.10, -75, "a"), (3, 113.301, 23.101, -97, "b"),
                                                   (0, 113.30, 23.10, -85, "c"), (9, 113.302, 23.102, -110, "d&<e>")],
                                                  start=1):
        drive.write_datetime(r, 0, start + datetime.timedelta(seconds=sec), stamp)
        drive.write_row(r, 1, [lon, lat, v, note])
    drive.write_row(5, 0, ["2024/03/01 09:31:00", 113.303, 23.103, -60, "typed time"])
    clock = wb.add_worksheet("时刻")  # times of day without a date
    clock.write_row(0, 0, ["Time", "LON", "LAT", "RSRP"])
    clock.write_row(1, 0, ["09:32:00", 113.304, 23.104, -61])
    marks = wb.add_worksheet("地标")
    marks.write_row(0, 0, ["站名", "经度", "纬度", "类型"])
    marks.write_row(1, 0, ["P1", 113.3, 23.1, "红"])
    marks.write_row(2, 0, ["P2", 113.31, 23.11, "绿"])
    wb.close()


scripted()
drive2()
extras()
emptyheader()
