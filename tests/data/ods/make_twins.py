#!/usr/bin/python3
"""Writes one table in every format Tessaro reads, for the tests that compare
each format with its .xlsx twin: twin.xlsx (xlsxwriter), twin.ods (LibreOffice
converting twin.xlsx) into this folder, and the same table as .csv/.txt in
several encodings, separators, line ends and number spellings into ../csv/.

The outputs are committed, so the tests need neither LibreOffice nor this
script. Run it again after changing the table:
    apt-get install libreoffice-calc-nogui python3-xlsxwriter
    /usr/bin/python3 tests/data/ods/make_twins.py
"""
import csv
import datetime
import io
import os
import shutil
import subprocess
import sys
import tempfile

import xlsxwriter

HERE = os.path.dirname(os.path.abspath(__file__))
CSV_DIR = os.path.join(HERE, "..", "csv")

D = datetime.date
DT = datetime.datetime
T = datetime.time

HEADER = ["名称", "经度", "纬度", "电平", "备注", "日期", "时刻", "时间", "标志", "错误", "编号", "占比"]
# The error column holds formulas whose results are errors in the workbooks
# and the error texts in the text files.
ROWS = [
    ["广州天河A", 113.26451, 23.123456, -85.5, "a,b", D(2024, 1, 31), DT(2024, 2, 29, 13, 45, 30), T(13, 45, 30),
     True, "#N/A", "007", 0.25],
    ['He said "hi"', -0.25, 0, -100.125, "line1\nline2", D(2023, 12, 31), DT(2024, 1, 1), T(0, 0, 1),
     False, "#DIV/0!", "460001234567890123", 1],
    ["中文；分号;㐀", 1234567, None, -0.001, "tab\there", None, None, None, None, None, None, None],
    [None] * 12,
    ["  spaced  ", -180, -90, 1e-07, None, None, None, None, None, None, None, None],
    [None] * 11 + [0.5],
]
FORMULAS = {"#N/A": "=NA()", "#DIV/0!": "=1/0"}


def write_xlsx(path):
    wb = xlsxwriter.Workbook(path)
    fmt = {D: wb.add_format({"num_format": "yyyy-mm-dd"}),
           DT: wb.add_format({"num_format": "yyyy-mm-dd hh:mm:ss"}),
           T: wb.add_format({"num_format": "hh:mm:ss"})}
    percent = wb.add_format({"num_format": "0%"})
    ws = wb.add_worksheet("数据")
    ws.write_row(0, 0, HEADER)
    for r, row in enumerate(ROWS, start=1):
        for c, v in enumerate(row):
            if v is None:
                continue
            if type(v) in fmt:
                ws.write_datetime(r, c, v, fmt[type(v)])
            elif v in FORMULAS:
                ws.write_formula(r, c, FORMULAS[v], None, v)
            elif isinstance(v, str):
                ws.write_string(r, c, v)
            elif HEADER[c] == "占比":
                ws.write_number(r, c, v, percent)
            else:
                ws.write(r, c, v)
    # Merged cells: the cells a merge hides are positions without values.
    merged = wb.add_worksheet("合并")
    merged.merge_range(0, 0, 0, 2, "标题")
    merged.write_row(1, 0, [1, 2, 3])
    merged.merge_range(2, 0, 2, 1, "横跨两列")
    merged.write(2, 2, 5)
    wb.add_worksheet("空表")
    wb.add_worksheet("末页").write(0, 0, "最后")
    wb.close()


def text_of(v, number):
    """A cell as the text files spell it (dates as the readers show them)."""
    if v is None:
        return ""
    if isinstance(v, bool):
        return "TRUE" if v else "FALSE"
    if isinstance(v, DT):
        return v.strftime("%Y-%m-%d %H:%M:%S")
    if isinstance(v, (D, T)):
        return v.isoformat()
    if isinstance(v, (int, float)):
        return number(v)
    return v


# Number spellings a spreadsheet reads as the same numbers.
PLAIN = repr
PADDED = lambda v: " %s%r " % ("+" if v > 0 else "", v)  # noqa: E731
EXPONENT = lambda v: "%.15E" % v  # noqa: E731

# file, encoding, separator, line end, number spelling, first line, quoting
VARIANTS = [
    ("twin-utf8.csv", "utf-8", ",", "\r\n", PLAIN, None, csv.QUOTE_MINIMAL),
    ("twin-bom.csv", "utf-8-sig", ",", "\n", PADDED, None, csv.QUOTE_MINIMAL),
    ("twin-gb18030.csv", "gb18030", ",", "\r\n", PLAIN, None, csv.QUOTE_MINIMAL),
    # Every field quoted, numbers and empty fields too.
    ("twin-tab.txt", "utf-8", "\t", "\r", PLAIN, None, csv.QUOTE_ALL),
    ("twin-semicolon.csv", "utf-8", ";", "\n", EXPONENT, None, csv.QUOTE_MINIMAL),
    ("twin-sepline.csv", "utf-8", ";", "\r\n", PLAIN, "sep=;", csv.QUOTE_MINIMAL),
]


def write_text_variants():
    os.makedirs(CSV_DIR, exist_ok=True)
    for name, encoding, sep, end, number, first, quoting in VARIANTS:
        buf = io.StringIO()
        if first:
            buf.write(first + end)
        w = csv.writer(buf, delimiter=sep, lineterminator=end, quoting=quoting)
        w.writerow(HEADER)
        for row in ROWS:
            w.writerow([text_of(v, number) for v in row])
        with open(os.path.join(CSV_DIR, name), "wb") as f:
            f.write(buf.getvalue().encode(encoding))


def main():
    write_xlsx(os.path.join(HERE, "twin.xlsx"))
    with tempfile.TemporaryDirectory() as tmp:
        shutil.copy(os.path.join(HERE, "twin.xlsx"), tmp)
        subprocess.run(["soffice", "--headless", "-env:UserInstallation=file://" + tmp + "/profile",
                        "--convert-to", "ods", "--outdir", tmp, os.path.join(tmp, "twin.xlsx")],
                       check=True, stdout=subprocess.DEVNULL)
        shutil.copy(os.path.join(tmp, "twin.ods"), HERE)
    write_text_variants()


if __name__ == "__main__":
    sys.exit(main())
