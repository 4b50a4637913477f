#!/usr/bin/python3
"""Workbooks for the large-sheet tests, written at test time.

make_books.py random OUTDIR COUNT SEED
    COUNT drive-test workbooks of random rows (sheet "DT": lon, lat, data,
    desc, name, extra) through xlsxwriter, half of them in constant-memory
    mode (inline strings), the rest with shared strings. Values mix numbers,
    numbers written as text, texts, blanks, booleans, dates, huge and tiny
    numbers, negative zero, positions out of range, and many duplicates.
    Each also holds the cell sheets of a fly-line join ("Cells", "Pts").
make_books.py hostile KIND OUT [N]
    A small package whose sheet is hostile: nested, strings, rows, lastrow,
    oversize (a part that inflates past the size its directory declares),
    doctype, wide, stream (N plain drive-test rows); or a small workbook
    that would expand to gigabytes: expand (one long shared string used by
    N rows of 100 cells), expandxls (the same in N cells of an .xls),
    emptystrings (N empty shared strings beside a sheet big enough to use
    them), repeat (an .ods repeating a thousand values N times).
"""
import datetime
import random
import struct
import sys
import zipfile


def random_books(outdir, count, seed):
    import xlsxwriter
    rnd = random.Random(seed)
    for k in range(count):
        book = xlsxwriter.Workbook("%s/book%02d.xlsx" % (outdir, k), {"constant_memory": k % 2 == 0})
        sheet = book.add_worksheet("DT")
        date = book.add_format({"num_format": "yyyy-mm-dd"})
        sheet.write_row(0, 0, ["lon", "lat", "data", "desc", "name", "extra"])
        spots = [(round(113 + rnd.random() / 100, rnd.choice([3, 4, 6])), round(23 + rnd.random() / 100, 5))
                 for _ in range(rnd.choice([3, 15, 60]))]
        odd_lon = [0, "0", " 113.2", "113.20", "abc", None, 200, -0.0, 113, 1e15 + 2, 1e-7, "", "-0", True]
        data_pool = [-84.5, -85.5, 84.49999999999999, 0.1, 0.2, 0.3, "-85", " -86 ", None, 12, 2.5, -2.5, 1e300, 1e-300]
        text_pool = ["a", "A", "12", 12, 12.0, "12.0", None, "x,y", "名称", "", " ", True, False]
        for r in range(1, rnd.randint(20, 400)):
            lon, lat = rnd.choice(spots)
            if rnd.random() < 0.15:
                lon = rnd.choice(odd_lon)
            if rnd.random() < 0.1:
                lat = rnd.choice(odd_lon)
            data = rnd.randint(-110, -40) if rnd.random() < 0.6 else rnd.choice(data_pool)
            row = [lon, lat, data, rnd.choice(text_pool), rnd.choice(text_pool), rnd.random()]
            if rnd.random() < 0.03:
                row = [None] * 6  # an empty row is no row
            for c, v in enumerate(row):
                write_cell(sheet, r, c, v)
            if rnd.random() < 0.05:
                sheet.write_datetime(r, 5, datetime.datetime(2024, 5, 1 + r % 20), date)
        cell_sheets(book, random.Random(seed * 1000 + k), spots, text_pool)
        book.close()


def write_cell(sheet, r, c, v):
    if v is None:
        return
    if isinstance(v, bool):
        sheet.write_boolean(r, c, v)
    elif isinstance(v, str):
        sheet.write_string(r, c, v)
    else:
        sheet.write_number(r, c, v)


def cell_sheets(book, rnd, spots, text_pool):
    """Sheet "Cells" (CI, Lon, Lat, Az) whose identifiers mix the kinds the
    DT sheet's desc and name columns hold, several cells to an identifier;
    sheet "Pts" (lon, lat, ci) of few distinct rows, each many times."""
    ids = text_pool + [7, 7.5, "7", "a ", 1e15 + 2, -0.0, 0]
    cells = book.add_worksheet("Cells")
    cells.write_row(0, 0, ["CI", "Lon", "Lat", "Az"])
    for r in range(1, rnd.randint(5, 40)):
        lon, lat = rnd.choice(spots)
        row = [rnd.choice(ids), rnd.choice([lon, lon, "", "x", None, 0]), lat, rnd.choice([-1, 0, 120, 240.5, None])]
        for c, v in enumerate(row):
            write_cell(cells, r, c, v)
    pts = book.add_worksheet("Pts")
    pts.write_row(0, 0, ["lon", "lat", "ci"])
    distinct = [list(rnd.choice(spots)) + [rnd.choice(ids)] for _ in range(rnd.randint(2, 12))]
    for r in range(1, rnd.randint(10, 200)):
        for c, v in enumerate(rnd.choice(distinct)):
            write_cell(pts, r, c, v)


CT = ('<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
      '<Default Extension="xml" ContentType="application/xml"/></Types>')
WB = ('<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
      'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>'
      '<sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>')
RELS = ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Target="worksheets/sheet1.xml" '
        'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet"/>'
        '<Relationship Id="rId2" Target="sharedStrings.xml" '
        'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings"/>'
        '</Relationships>')
HEAD = '<row><c t="inlineStr"><is><t>h</t></is></c></row>'


def sheet(rows, prolog=""):
    return (prolog + '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>' +
            rows + '</sheetData></worksheet>')


LONG = "长" * 32767  # the longest text a cell may hold


def expanding(kind, out, n):
    if kind == "expandxls":
        import xlwt
        book = xlwt.Workbook(encoding="utf-8")
        ws = book.add_sheet("S")
        ws.write(0, 0, "h")
        for r in range(1, n + 1):
            ws.write(r, 0, LONG)
        book.save(out)
        return
    if kind == "repeat":
        with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet")
            z.writestr("content.xml", '<office:document-content xmlns:office="o" xmlns:table="t"><office:body>'
                       '<office:spreadsheet><table:table table:name="S"><table:table-row '
                       'table:number-rows-repeated="%d"><table:table-cell office:value-type="float" '
                       'office:value="1" table:number-columns-repeated="1000"/></table:table-row></table:table>'
                       "</office:spreadsheet></office:body></office:document-content>" % n)
        return
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CT)
        z.writestr("xl/workbook.xml", WB)
        z.writestr("xl/_rels/workbook.xml.rels", RELS)
        sst = '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
        if kind == "expand":
            z.writestr("xl/sharedStrings.xml", sst + "<si><t>h</t></si><si><t>" + LONG + "</t></si></sst>")
            z.writestr("xl/worksheets/sheet1.xml", sheet('<row><c t="s"><v>0</v></c></row>' +
                                                         ("<row>" + '<c t="s"><v>1</v></c>' * 100 + "</row>") * n))
            return
        z.writestr("xl/sharedStrings.xml", sst + "<si/>" * n + "</sst>")
        # Blanks enough for n uses of a string: the reader reads that many.
        with z.open("xl/worksheets/sheet1.xml", "w") as f:
            f.write(sheet('<row><c t="s"><v>0</v></c></row>').replace("</sheetData></worksheet>", "").encode())
            for _ in range(n // 50000 + 1):
                f.write(b" " * 1000000)
            f.write(b"</sheetData></worksheet>")


def hostile(kind, out, n):
    if kind in ("expand", "expandxls", "emptystrings", "repeat"):
        expanding(kind, out, n)
        return
    z = zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED)
    z.writestr("[Content_Types].xml", CT)
    z.writestr("xl/workbook.xml", WB)
    z.writestr("xl/_rels/workbook.xml.rels", RELS)
    part = "xl/worksheets/sheet1.xml"
    if kind == "nested":  # a million open elements
        z.writestr(part, sheet(HEAD + "<a>" * n + "</a>" * n))
    elif kind == "strings":  # millions of empty shared strings
        z.writestr(part, sheet('<row><c t="s"><v>0</v></c></row>'))
        z.writestr("xl/sharedStrings.xml", '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">' +
                   "<si><t/></si>" * n + "</sst>")
    elif kind == "rows":  # rows past the last one a sheet may have
        z.writestr(part, sheet(HEAD + "<row><c><v>1</v></c></row>" * n))
    elif kind == "lastrow":  # the last row a sheet may have
        z.writestr(part, sheet('<row r="1"><c t="inlineStr"><is><t>h</t></is></c></row>'
                               '<row r="1048576"><c><v>7</v></c></row>'))
    elif kind == "doctype":
        z.writestr(part, sheet(HEAD, '<!DOCTYPE worksheet [<!ENTITY e "x">]>'))
    elif kind == "wide":  # wider than the SQL engine's tables
        cells = "".join('<c t="inlineStr"><is><t>C%d</t></is></c>' % c for c in range(n))
        data = "".join("<c><v>%d</v></c>" % c for c in range(n))
        z.writestr(part, sheet("<row>" + cells + "</row>" + ("<row>" + data + "</row>") * 3))
    elif kind == "stream":  # a plain drive-test sheet of n rows
        head = "".join('<c t="inlineStr"><is><t>%s</t></is></c>' % h for h in ("lon", "lat", "RxLev"))
        z.writestr(part, sheet("<row>" + head + "</row>" +
                               "<row><c><v>113.25</v></c><c><v>23.1</v></c><c><v>-80</v></c></row>" * n))
    elif kind == "oversize":
        z.writestr(part, sheet(HEAD + "<row><c><v>1</v></c></row>" * n))
    z.close()
    if kind == "oversize":
        shrink_declared_size(out, part)


def shrink_declared_size(path, name):
    """Makes the zip directory declare a tenth of the part's real size."""
    data = bytearray(open(path, "rb").read())
    wanted = name.encode()
    for sig, size_at, name_len_at, name_at in ((b"PK\x03\x04", 22, 26, 30), (b"PK\x01\x02", 24, 28, 46)):
        i = data.find(sig)
        while i >= 0:
            (length,) = struct.unpack_from("<H", data, i + name_len_at)
            if data[i + name_at:i + name_at + length] == wanted:
                (size,) = struct.unpack_from("<I", data, i + size_at)
                struct.pack_into("<I", data, i + size_at, size // 10)
            i = data.find(sig, i + 4)
    open(path, "wb").write(bytes(data))


if __name__ == "__main__":
    if sys.argv[1] == "random":
        random_books(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    else:
        hostile(sys.argv[2], sys.argv[3], int(sys.argv[4]) if len(sys.argv) > 4 else 0)
