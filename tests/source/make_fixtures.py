#!/usr/bin/python3
"""Writes the small workbooks the source tests read into the folder given as
the first argument: real .xlsx (xlsxwriter) and .xls (xlwt) files, a
hand-written package for the XML corners writers rarely produce, and damaged
files."""
import datetime
import os
import shutil
import sys
import zipfile

import xlsxwriter
import xlwt

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def path(name):
    return os.path.join(out, name)


CELLS = [
    # 基站名称, 经度, 纬度, 方位角, CI, 备注
    ["广州天河A", 113.26451, 23.123456, 0, 17, "宏站"],
    ["广州天河B", 113.26452, 23.1235, 120, 18, "A&B <1>"],
    ["室分C", 113.3, 23.2, -2, 19, None],
]

# LON, LAT, RX LevSub(dBm), CI, 描述
POINTS = [
    [113.264512, 23.123456, -85, 17, "p1"],
    [113.264598, 23.123499, -90, 17, "p1"],
    [113.264512, 23.123456, -85, 17, "p1"],  # duplicate of the first row
    [113.2701, 23.1301, -70, 18, "p2"],
    [0, 0, -60, 18, "origin"],
    [0, 23.5, -100, 99, "lon0"],
    [113.28, 23.14, -84.5, 19, "p3"],
]


def basic():
    wb = xlsxwriter.Workbook(path("basic.xlsx"))
    cells = wb.add_worksheet("小区信息")
    cells.write_row(0, 0, ["基站名称", "经度", "纬度", "方位角", "CI", "备注"])
    for r, row in enumerate(CELLS, start=1):
        for c, v in enumerate(row):
            if v is not None:
                cells.write(r, c, v)
    dt = wb.add_worksheet("路测")
    dt.write_row(0, 0, ["LON", "LAT", "RX LevSub(dBm)", "CI", "描述"])
    for r, row in enumerate(POINTS, start=1):
        dt.write_row(r, 0, row)
    wb.add_worksheet("Empty")
    hidden = wb.add_worksheet("Hidden")
    hidden.write(0, 0, "x")
    hidden.hide()
    # Headers that need care: empty, a number, duplicates, case-only
    # differences, a "]"; values of mixed type kept as the writer gives them.
    odd = wb.add_worksheet("Odd")
    odd.write_row(0, 0, ["Name", None, 2024, "lon", "LON", "Name", "a]b", "mixed"])
    bold = wb.add_format({"bold": True})
    odd.write_row(1, 0, ["r1", "x", 1, 113.5, 1, "n1", "q1"])
    odd.write_string(1, 7, "-85")
    odd.write_row(2, 0, ["r2", None, 2, 113.6, 2, "n2", "q2"])
    odd.write_string(2, 7, "007")
    odd.write_rich_string(3, 0, "r", bold, "3")
    odd.write_row(3, 1, [None, 3, 113.7, 3, "n3", "q3"])
    odd.write_string(3, 7, "8.30")
    odd.write_row(4, 0, ["r4", None, 4, 113.8, 4, "n4", "q4"])
    odd.write_string(4, 7, "abc")
    odd.write_row(5, 0, ["r5", None, 5, 113.9, 5, "n5", "q5"])
    odd.write_number(5, 7, 2.5)
    odd.write_boolean(5, 8, True)  # beyond the header row: an extra column
    wb.close()


def inline():
    # constant_memory writes every string inline (<is><t>).
    wb = xlsxwriter.Workbook(path("inline.xlsx"), {"constant_memory": True})
    ws = wb.add_worksheet("数据")
    ws.write_row(0, 0, ["站名", "经度", "纬度", "方位角"])
    ws.write_row(1, 0, ["一号站", 113.1, 23.1, 30])
    ws.write_row(2, 0, ["二号站", 113.2, 23.2, 150])
    quoted = wb.add_worksheet("Data 'x' 1")
    quoted.write_row(0, 0, ["a b", "c\"d", "big", "imsi"])
    quoted.write_row(1, 0, [1, "two", 1e15, "460001234567890"])
    reserved = wb.add_worksheet("sqlite_data")  # a name the SQL engine keeps for itself
    reserved.write_row(0, 0, ["v"])
    reserved.write_row(1, 0, [42])
    wb.close()


DATES = [
    datetime.datetime(2024, 1, 31),
    datetime.datetime(2024, 2, 29, 13, 45, 30),
    datetime.datetime(1999, 12, 31, 23, 59, 59),
]


def dates_xlsx():
    wb = xlsxwriter.Workbook(path("dates.xlsx"))
    ws = wb.add_worksheet("Dates")
    ws.write_row(0, 0, ["date", "datetime", "time", "builtin14", "chinese", "plain", "money"])
    f_date = wb.add_format({"num_format": "yyyy-mm-dd"})
    f_dt = wb.add_format({"num_format": "yyyy-mm-dd hh:mm:ss"})
    f_time = wb.add_format({"num_format": "hh:mm:ss"})
    f_14 = wb.add_format({"num_format": 14})
    f_cn = wb.add_format({"num_format": '[$-804]yyyy"年"m"月"d"日"'})
    f_plain = wb.add_format({"num_format": "0.00"})
    f_money = wb.add_format({"num_format": '#,##0 "元"'})
    for r, d in enumerate(DATES, start=1):
        ws.write_datetime(r, 0, d, f_date)
        ws.write_datetime(r, 1, d, f_dt)
        ws.write_datetime(r, 2, d, f_time)
        ws.write_datetime(r, 3, d, f_14)
        ws.write_datetime(r, 4, d, f_cn)
        ws.write_number(r, 5, 1.5 * r, f_plain)
        ws.write_number(r, 6, 1000 * r, f_money)
    wb.close()


def dates_xls():
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("Dates")
    for c, h in enumerate(["date", "datetime", "time", "builtin14", "chinese", "plain", "money"]):
        ws.write(0, c, h)
    f_date = xlwt.easyxf(num_format_str="yyyy-mm-dd")
    f_dt = xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm:ss")
    f_time = xlwt.easyxf(num_format_str="hh:mm:ss")
    f_14 = xlwt.easyxf(num_format_str="M/D/YY")
    f_cn = xlwt.easyxf(num_format_str='yyyy"年"m"月"d"日"')
    f_plain = xlwt.easyxf(num_format_str="0.00")
    f_money = xlwt.easyxf(num_format_str='#,##0 "元"')
    for r, d in enumerate(DATES, start=1):
        ws.write(r, 0, d, f_date)
        ws.write(r, 1, d, f_dt)
        ws.write(r, 2, d, f_time)
        ws.write(r, 3, d, f_14)
        ws.write(r, 4, d, f_cn)
        ws.write(r, 5, 1.5 * r, f_plain)
        ws.write(r, 6, 1000 * r, f_money)
    wb.save(path("dates.xls"))


def book_xls():
    wb = xlwt.Workbook(encoding="utf-8")
    cells = wb.add_sheet("小区信息")
    for c, h in enumerate(["基站名称", "经度", "纬度", "方位角", "CI", "备注"]):
        cells.write(0, c, h)
    for r, row in enumerate(CELLS, start=1):
        for c, v in enumerate(row):
            if v is not None:
                cells.write(r, c, v)
    dt = wb.add_sheet("路测")
    for c, h in enumerate(["LON", "LAT", "RX LevSub(dBm)", "CI", "描述"]):
        dt.write(0, c, h)
    for r, row in enumerate(POINTS, start=1):
        for c, v in enumerate(row):
            dt.write(r, c, v)
    wb.add_sheet("Empty")
    wb.save(path("book.xls"))


def reordered():
    """basic.xlsx with the parts of its first two sheets swapped: the sheet
    list must follow workbook.xml and its relationships, not part names."""
    src = zipfile.ZipFile(path("basic.xlsx"))
    with zipfile.ZipFile(path("reordered.xlsx"), "w", zipfile.ZIP_DEFLATED) as dst:
        for info in src.infolist():
            data = src.read(info.filename)
            name = info.filename
            if name == "xl/worksheets/sheet1.xml":
                name = "xl/worksheets/sheet2.xml"
            elif name == "xl/worksheets/sheet2.xml":
                name = "xl/worksheets/sheet1.xml"
            elif name == "xl/_rels/workbook.xml.rels":
                text = data.decode()
                text = text.replace("worksheets/sheet1.xml", "@@").replace("worksheets/sheet2.xml", "worksheets/sheet1.xml")
                data = text.replace("@@", "/xl/worksheets/sheet2.xml").encode()  # one absolute target
            dst.writestr(name, data)


HAND_CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"></Types>"""
HAND_RELS = """<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""
HAND_WORKBOOK = """<?xml version="1.0" encoding="UTF-8"?>
<x:workbook xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<x:sheets><x:sheet name="Second" sheetId="2" rel:id="rId2"/><x:sheet name="First" sheetId="1" rel:id="rId1"/></x:sheets>
</x:workbook>"""
HAND_WB_RELS = """<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/a.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/b.xml"/>
<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="strings.xml"/>
</Relationships>"""
HAND_SST = """<?xml version="1.0" encoding="UTF-8"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<si><t>plain</t></si>
<si><r><t>ri</t></r><r><rPr><b/></rPr><t xml:space="preserve">ch </t></r><r><t>text</t></r></si>
<si><t>東京</t><rPh sb="0" eb="2"><t>トウキョウ</t></rPh></si>
<si><t>a_x000D__x000A_b_x005F_x0041_</t></si>
<si><t>-85</t></si>
</sst>"""
HAND_FIRST = """<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row><c t="inlineStr"><is><t>h1</t></is></c><c t="inlineStr"><is><t>h2</t></is></c><c t="inlineStr"><is><t>h3</t></is></c></row>
<row><c t="s"><v>0</v></c><c><v>1.5</v></c><c t="b"><v>1</v></c></row>
<row r="5"><c r="B5" t="str"><f>A1</f><v>formula text</v></c><c t="e"><v>#N/A</v></c></row>
<row><c t="s"><v>1</v></c><c t="s"><v>2</v></c><c t="s"><v>3</v></c></row>
<row><c t="s"><v>4</v></c><c><v>  </v></c><c t="inlineStr"><is><r><t>in</t></r><r><t>line</t></r><rPh><t>x</t></rPh></is></c></row>
</sheetData></worksheet>"""
HAND_SECOND = """<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData/></worksheet>"""


def handmade(name, first=HAND_FIRST, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path(name), "w", method) as z:
        z.writestr("[Content_Types].xml", HAND_CONTENT_TYPES)
        z.writestr("_rels/.rels", HAND_RELS)
        z.writestr("xl/workbook.xml", HAND_WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", HAND_WB_RELS)
        z.writestr("xl/strings.xml", HAND_SST)
        z.writestr("xl/worksheets/a.xml", first)
        z.writestr("xl/worksheets/b.xml", HAND_SECOND)


def damaged():
    data = open(path("basic.xlsx"), "rb").read()
    open(path("truncated.xlsx"), "wb").write(data[: len(data) // 2])
    # A stored (uncompressed) sheet with one byte changed: only the CRC tells.
    handmade("stored.xlsx", method=zipfile.ZIP_STORED)
    raw = bytearray(open(path("stored.xlsx"), "rb").read())
    i = raw.find(b"formula text")
    raw[i] = ord("F")
    open(path("badcrc.xlsx"), "wb").write(raw)
    # A deflated sheet whose compressed bytes are overwritten.
    big = "<row>" + "".join('<c><v>%d</v></c>' % i for i in range(2000)) + "</row>"
    handmade("deflated.xlsx", first=HAND_FIRST.replace("<sheetData>", "<sheetData>" + big, 1))
    raw = bytearray(open(path("deflated.xlsx"), "rb").read())
    z = zipfile.ZipFile(path("deflated.xlsx"))
    info = z.getinfo("xl/worksheets/a.xml")
    start = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
    for k in range(start + 20, start + 60):
        raw[k] ^= 0x5A
    open(path("baddeflate.xlsx"), "wb").write(raw)
    handmade("badnumber.xlsx", first=HAND_FIRST.replace("<v>1.5</v>", "<v>1.5abc</v>"))
    handmade("hugetext.xlsx", first=HAND_FIRST.replace("<t>h1</t>", "<t>" + "x" * (1 << 21) + "</t>"))
    handmade("badxml.xlsx", first=HAND_FIRST.replace("</sheetData>", "<row>"))
    # Neither a zip, a compound file nor text (text is read as .csv).
    open(path("notbook.xlsx"), "wb").write(b"\x00\x01binary, not a workbook\n")
    open(path("empty.xlsx"), "w").close()
    # A compound file holding an EncryptionInfo stream, as a password-protected .xlsx is stored.
    header = bytes([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1]) + bytes(504)
    open(path("encrypted.xlsx"), "wb").write(header + "EncryptionInfo".encode("utf-16-le") + bytes(1024))
    with zipfile.ZipFile(path("nozipbook.xlsx"), "w") as z:
        z.writestr("hello.txt", "no workbook part here")


def misnamed():
    # The reader is chosen by the first bytes, not by the extension.
    shutil.copyfile(path("book.xls"), path("xls-named.xlsx"))
    shutil.copyfile(path("inline.xlsx"), path("xlsx-named.xls"))


basic()
inline()
dates_xlsx()
dates_xls()
book_xls()
reordered()
handmade("handmade.xlsx")
damaged()
misnamed()
