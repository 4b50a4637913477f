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

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xlsfile  # noqa: E402

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
    # A compound file holding EncryptionInfo and EncryptedPackage streams, as a password-protected .xlsx is stored.
    enc, _ = xlsfile.pack([("EncryptionInfo", bytes(200)), ("EncryptedPackage", bytes(5000))])
    open(path("encrypted.xlsx"), "wb").write(enc)
    with zipfile.ZipFile(path("nozipbook.xlsx"), "w") as z:
        z.writestr("hello.txt", "no workbook part here")


def hostile_names():
    """basic.xlsx with its first sheet named like a path out of the folder."""
    src = zipfile.ZipFile(path("basic.xlsx"))
    with zipfile.ZipFile(path("escape.xlsx"), "w", zipfile.ZIP_DEFLATED) as dst:
        for info in src.infolist():
            data = src.read(info.filename)
            if info.filename == "xl/workbook.xml":
                data = data.decode().replace('name="小区信息"', 'name="/../../x/escaped"').encode()
            dst.writestr(info.filename, data)


def misnamed():
    # The reader is chosen by the first bytes, not by the extension.
    shutil.copyfile(path("book.xls"), path("xls-named.xlsx"))
    shutil.copyfile(path("inline.xlsx"), path("xlsx-named.xls"))


# The same table written by every writer: the query rows must be the same.
TWIN_HEADER = ["站名", "经度", "纬度", "方位角", "CI", "启用", "开通日期", "备注", "编号"]
TWIN_ROWS = [
    ["广州天河A", 113.26451, 23.123456, 0, 17, True, datetime.datetime(2024, 1, 31), "宏站", "007"],
    ["Café €", -0.5, 51.5, 359.5, 65535, False, datetime.datetime(2024, 2, 29, 13, 45, 30), None, "8.30"],
    [None, None, None, None, None, None, None, None, None],  # an empty row: not a row of the table
    ["室分C", 113.3, 23.2, -2, 123456789012, None, None, "A&B <1>", "-85"],
    [1, 2, 3, 4, 5, 6, 7, 8, 9],  # whole numbers side by side (one MULRK record in .xls)
    ["右侧", 0.1, 1e-7, -123.456, 2 ** 31, True, datetime.datetime(1999, 12, 31, 23, 59, 59), "x" * 300, None],
]
TWIN_FAR = (7, 11, "beyond the header")  # row, column, text: an extra column F12
# Enough strings for a shared string table longer than one record, and long
# strings, Latin and Chinese, that cross from one record into the next.
TWIN_TEXTS = ["字符串%03d号" % i for i in range(500)] + ["长" * 2500 + "尾", "L" * 6000 + "end"]


def twin_xlsx():
    wb = xlsxwriter.Workbook(path("twin.xlsx"))
    date = wb.add_format({"num_format": "yyyy-mm-dd hh:mm:ss"})
    ws = wb.add_worksheet("小区")
    ws.write_row(0, 0, TWIN_HEADER)
    for r, row in enumerate(TWIN_ROWS, start=1):
        for c, v in enumerate(row):
            if isinstance(v, datetime.datetime):
                ws.write_datetime(r, c, v, date)
            elif isinstance(v, str):
                ws.write_string(r, c, v)
            elif v is not None:
                ws.write(r, c, v)
    ws.write_string(*TWIN_FAR)
    texts = wb.add_worksheet("长文本")
    texts.write(0, 0, "文本")
    for r, t in enumerate(TWIN_TEXTS, start=1):
        texts.write_string(r, 0, t)
    wb.add_worksheet("Empty")
    last = wb.add_worksheet("末页")
    last.write_row(0, 0, ["a", "b"])
    last.write_row(1, 0, [1, "z"])
    wb.close()


def twin_xls():
    wb = xlwt.Workbook(encoding="utf-8")
    date = xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm:ss")
    ws = wb.add_sheet("小区")
    for c, h in enumerate(TWIN_HEADER):
        ws.write(0, c, h)
    for r, row in enumerate(TWIN_ROWS, start=1):
        for c, v in enumerate(row):
            if v is not None:
                ws.write(r, c, v, date if isinstance(v, datetime.datetime) else xlwt.Style.default_style)
    ws.write(*TWIN_FAR)
    texts = wb.add_sheet("长文本")
    texts.write(0, 0, "文本")
    for r, t in enumerate(TWIN_TEXTS, start=1):
        texts.write(r, 0, t)
    wb.add_sheet("Empty")
    last = wb.add_sheet("末页")
    for c, v in enumerate(["a", "b"]):
        last.write(0, c, v)
    for c, v in enumerate([1, "z"]):
        last.write(1, c, v)
    wb.save(path("twin.xls"))


def cells_xls():
    """What script writers leave: formulas without results, booleans, error
    cells, rich text, blanks; rows written out of order; 1904 dates."""
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("Cells")
    for c, h in enumerate(["name", "value", "flag", "error", "formula", "rich"]):
        ws.write(0, c, h)
    ws.write(1, 0, "a")
    ws.write(1, 1, 1.5)
    ws.write(1, 2, True)
    ws.row(1).set_cell_error(3, 0x2A)  # #N/A
    ws.write(1, 4, xlwt.Formula("B2*2"))
    ws.write_rich_text(1, 5, ["plain ", ("bold", xlwt.easyfont("bold true"))])
    ws.write(2, 0, "b")
    ws.write(2, 2, False)
    ws.row(2).set_cell_error(3, 0x07)  # #DIV/0!
    ws.write(2, 4, xlwt.Formula('A3&"x"'))
    ws.row(2).set_cell_mulblanks(5, 9, xlwt.easyxf("pattern: pattern solid"))
    order = wb.add_sheet("Order")  # rows reach the file in the order first written
    order.write(3, 0, "third")
    order.write(3, 1, 3)
    order.write(1, 1, 1)
    order.write(0, 0, "head")
    order.write(0, 1, "n")
    order.write(1, 0, "first")
    order.write(2, 0, "second")
    wb.save(path("cells.xls"))
    wb = xlwt.Workbook(encoding="utf-8")
    wb.dates_1904 = True
    ws = wb.add_sheet("Dates")
    ws.write(0, 0, "when")
    for r, d in enumerate(DATES, start=1):
        ws.write(r, 0, d, xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm:ss"))
    wb.save(path("dates1904.xls"))
    wb = xlsxwriter.Workbook(path("dates1904.xlsx"), {"date_1904": True})
    ws = wb.add_worksheet("Dates")
    ws.write(0, 0, "when")
    for r, d in enumerate(DATES, start=1):
        ws.write_datetime(r, 0, d, wb.add_format({"num_format": "yyyy-mm-dd hh:mm:ss"}))
    wb.close()


def long_xls():
    """A sheet long enough for progress reports (10,000 rows)."""
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("Long")
    ws.write(0, 0, "n")
    ws.write(0, 1, "name")
    for r in range(1, 10001):
        ws.write(r, 0, r)
        ws.write(r, 1, "p%d" % (r % 100))
    wb.save(path("long.xls"))


def crafted_xls():
    """.xls files changed in their records or their container: a small
    workbook in the mini stream, 4096-byte sectors, a FILEPASS record, and
    damaged files."""
    stream = xlsfile.read_stream(open(path("book.xls"), "rb").read())
    recs = xlsfile.records(stream)
    small = xlsfile.join(recs)  # without xlwt's padding: under 4096 bytes
    assert len(small) < 4096
    open(path("ministream.xls"), "wb").write(xlsfile.pack([("Workbook", small)])[0])
    open(path("bigsectors.xls"), "wb").write(xlsfile.pack([("Workbook", stream)], sector_shift=12)[0])
    # Over 7 MB (the padding after the last EOF is never read): the
    # allocation table needs more sectors than the header lists.
    open(path("difat.xls"), "wb").write(xlsfile.pack([("Workbook", small + bytes(8 << 20))])[0])
    # XOR obfuscation: FILEPASS with its key and verifier, right after the BOF.
    filepass = xlsfile.join(recs[:1] + [(0x002F, bytes([0, 0, 0x34, 0x12, 0x78, 0x56]))] + recs[1:])
    open(path("filepass.xls"), "wb").write(xlsfile.pack([("Workbook", filepass)])[0])
    # Excel writes a shared-formula record between a formula and its text
    # result: put one there in Gnumeric's file.
    saved = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "xls")
    recs8 = xlsfile.records(xlsfile.read_stream(open(os.path.join(saved, "gnumeric-formulas.xls"), "rb").read()))
    shared = []
    for i, (t, d) in enumerate(recs8):
        shared.append((t, d))
        if t == 0x0006 and i + 1 < len(recs8) and recs8[i + 1][0] == 0x0207:
            shared.append((0x04BC, bytes(10)))
    open(path("shrfmla.xls"), "wb").write(xlsfile.pack([("Workbook", xlsfile.join(shared))])[0])
    # FORMULA records under the ids of Excel 3 and 4, as some writers still
    # store them in BIFF8 files.
    old, k = [], 0
    for t, d in recs8:
        if t == 0x0006:
            t, k = (0x0406, 0x0206)[k % 2], k + 1
        old.append((t, d))
    open(path("oldformula.xls"), "wb").write(xlsfile.pack([("Workbook", xlsfile.join(old))])[0])
    # The number format "yyyy-mm-dd" with a length past its record's end.
    drecs = xlsfile.records(xlsfile.read_stream(open(path("dates.xls"), "rb").read()))
    drecs = [(t, d[:2] + bytes([200, 0]) + d[4:] if t == 0x041E and d[:2] == bytes([0xA5, 0]) else d)
             for t, d in drecs]
    open(path("badformat.xls"), "wb").write(xlsfile.pack([("Workbook", xlsfile.join(drecs))])[0])
    # book.xls with one BOUNDSHEET changed: (index, offset or None, sheet type).
    joined = xlsfile.join(recs)
    jrecs = xlsfile.records(joined)
    sheets = [i for i, (t, _) in enumerate(jrecs) if t == 0x0085]
    first = int.from_bytes(jrecs[sheets[0]][1][:4], "little")

    def bound(name, index, offset, kind=0):
        changed = list(jrecs)
        t, d = changed[sheets[index]]
        d = bytearray(d)
        if offset is not None:
            d[:4] = offset.to_bytes(4, "little")
        d[5] = kind
        changed[sheets[index]] = (t, bytes(d))
        stream = b"".join(t.to_bytes(2, "little") + len(d).to_bytes(2, "little") + d for t, d in changed)
        open(path(name), "wb").write(xlsfile.pack([("Workbook", stream)])[0])

    bound("sheetatglobals.xls", 0, 0)
    bound("sheetshared.xls", 1, first)
    bound("sheetmidrecord.xls", 0, first + 4)
    bound("module.xls", 2, 0xFFFFFF00, 6)  # a Visual Basic module sheet: no records of its own
    # A sheet name holding U+0000, which BIFF8 names may.
    named = [(t, d.replace(b"Empty", b"Em\x00ty") if t == 0x0085 else d) for t, d in jrecs]
    open(path("nulsheet.xls"), "wb").write(xlsfile.pack([("Workbook", xlsfile.join(named))])[0])
    damaged = {}
    damaged["truncated.xls"] = open(path("book.xls"), "rb").read()[:3000]
    data, starts = xlsfile.pack([("Workbook", stream)])
    damaged["fatloop.xls"] = fat_loop(data, starts["Workbook"], len(stream) // 512)
    big = bytearray(stream)
    last = len(xlsfile.join(recs)) - 4  # the final EOF record: claim more bytes than the stream has
    big[last + 2: last + 4] = (0xFFFF).to_bytes(2, "little")
    damaged["pastend.xls"] = xlsfile.pack([("Workbook", bytes(big))])[0]
    sst = [(t, (d[:4] + (0xFFFFFFFF).to_bytes(4, "little") + d[8:]) if t == 0x00FC else d) for t, d in recs]
    sst = [(t, d[:6] + (10 ** 6).to_bytes(4, "little") if t == 0x00FD and d[:4] == bytes(4) else d) for t, d in sst]
    damaged["hugesst.xls"] = xlsfile.pack([("Workbook", xlsfile.join(sst))])[0]
    bof = [i for i, (t, _) in enumerate(recs) if t == 0x0085][0]
    moved = list(recs)
    moved[bof] = (0x0085, (10 ** 8).to_bytes(4, "little") + recs[bof][1][4:])
    damaged["badsheetoffset.xls"] = xlsfile.pack([("Workbook", b"".join(
        t.to_bytes(2, "little") + len(d).to_bytes(2, "little") + d for t, d in moved))])[0]
    twin = xlsfile.records(xlsfile.read_stream(open(path("twin.xls"), "rb").read()))
    sst = [i for i, (t, _) in enumerate(twin) if t == 0x00FC][0]
    cut = twin[:sst + 1] + [r for r in twin[sst + 1:] if r[0] != 0x003C]  # the table without its CONTINUE records
    damaged["cutsst.xls"] = xlsfile.pack([("Workbook", xlsfile.join(cut))])[0]
    damaged["nobook.xls"] = xlsfile.pack([("WordDocument", bytes(5000))])[0]
    damaged["excel4.xls"] = xlsfile.pack([("Book", bytes([0x09, 0x04, 6, 0, 0, 0, 0x10, 0]) + bytes(5000))])[0]
    header = bytearray(data)
    header[30] = 20  # sector size 2^20
    damaged["badheader.xls"] = bytes(header)
    for name, content in damaged.items():
        open(path(name), "wb").write(content)


def fat_loop(data, start, sectors):
    """The file with the stream's last but one sector chained back to its first."""
    out = bytearray(data)
    nfat = int.from_bytes(out[44:48], "little")
    first_fat = int.from_bytes(out[76:80], "little")
    assert nfat == 1
    at = 512 * (first_fat + 1) + 4 * (start + sectors - 2)
    out[at: at + 4] = start.to_bytes(4, "little")
    return bytes(out)


def elapsed():
    """Elapsed-time formats keep whole days in their hours; a time of day does not."""
    serials = [10.632060185, 0.5]
    wb = xlsxwriter.Workbook(path("elapsed.xlsx"))
    ws = wb.add_worksheet("T")
    formats = ["[h]:mm:ss", "[mm]:ss", "[ss]", 46, "hh:mm:ss"]
    ws.write_row(0, 0, ["h", "mm", "ss", "b46", "clock"])
    for r, v in enumerate(serials, start=1):
        for c, f in enumerate(formats):
            ws.write_number(r, c, v, wb.add_format({"num_format": f}))
    wb.close()
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("T")
    for c, h in enumerate(["h", "mm", "ss", "b46", "clock"]):
        ws.write(0, c, h)
    for r, v in enumerate(serials, start=1):
        for c, f in enumerate(["[h]:mm:ss", "[mm]:ss", "[ss]", "[h]:mm:ss", "hh:mm:ss"]):
            ws.write(r, c, v, xlwt.easyxf(num_format_str=f))
    wb.save(path("elapsed.xls"))


CORNER_WORKBOOK = """<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="Data" sheetId="1" r:id="rId1"/><sheet name="Macro1" sheetId="2" r:id="rId2"/>
<sheet name="Module1" sheetId="3" r:id="rId9"/><sheet name="Lost" sheetId="4" r:id="rId4"/>
<sheet name="Equal" sheetId="5" r:id="rId5"/><sheet name="Mixed" sheetId="6" r:id="rId6"/></sheets></workbook>"""
CORNER_RELS = """<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/data.xml"/>
<Relationship Id="rId2" Type="http://schemas.microsoft.com/office/2006/relationships/xlMacrosheet" Target="macrosheets/sheet1.xml"/>
<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/lost.xml"/>
<Relationship Id="rId5" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/equal.xml"/>
<Relationship Id="rId6" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/mixed.xml"/>
</Relationships>"""


def inline_row(r, texts):
    return '<row r="%d">%s</row>' % (r, "".join(
        '<c t="inlineStr"><is><t>%s</t></is></c>' % t if t is not None else "<c/>" for t in texts))


def worksheet(rows):
    return ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/'
            'spreadsheetml/2006/main"><sheetData>' + rows + "</sheetData></worksheet>")


def corners():
    """Sheets that hold a U+0000 header and an inline string with a stray <v>,
    a macro sheet and a module sheet without a part, a worksheet whose part is
    missing, 16,384 equal headers and headers that need numbering."""
    with zipfile.ZipFile(path("corners.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", HAND_CONTENT_TYPES)
        z.writestr("_rels/.rels", HAND_RELS)
        z.writestr("xl/workbook.xml", CORNER_WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", CORNER_RELS)
        z.writestr("xl/worksheets/data.xml", worksheet(
            inline_row(1, ["a_x0000_b", "x", "y", "z"]) +
            '<row r="2"><c t="inlineStr"><v>stray</v><is><t>text</t></is></c><c><v>2</v></c>'
            '<c t="inlineStr"><is><t>text2</t></is><v>stray</v></c><c t="inlineStr"><v>only</v></c></row>'))
        z.writestr("xl/worksheets/equal.xml", worksheet(
            inline_row(1, ["a"] * 16384) + '<row r="2">' + "<c><v>1</v></c>" * 16384 + "</row>"))
        z.writestr("xl/worksheets/mixed.xml", worksheet(inline_row(1, ["a", "A", "a_2", "a", None, "F5"])))
    with zipfile.ZipFile(path("badworkbook.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:  # read by expat
        z.writestr("[Content_Types].xml", HAND_CONTENT_TYPES)
        z.writestr("_rels/.rels", HAND_RELS)
        z.writestr("xl/workbook.xml", HAND_WORKBOOK.replace("</x:sheets>", ""))


def linebreak():
    """basic.xlsx with its first sheet named with a line break in it."""
    src = zipfile.ZipFile(path("basic.xlsx"))
    with zipfile.ZipFile(path("linebreak.xlsx"), "w", zipfile.ZIP_DEFLATED) as dst:
        for info in src.infolist():
            data = src.read(info.filename)
            if info.filename == "xl/workbook.xml":
                data = data.decode().replace('name="小区信息"', 'name="小区&#10;信息"').encode()
            dst.writestr(info.filename, data)


basic()
inline()
dates_xlsx()
dates_xls()
book_xls()
reordered()
hostile_names()
handmade("handmade.xlsx")
damaged()
misnamed()
twin_xlsx()
twin_xls()
cells_xls()
long_xls()
crafted_xls()
elapsed()
corners()
linebreak()
