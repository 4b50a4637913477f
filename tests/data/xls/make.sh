#!/usr/bin/env bash
# Writes the .xls files in this folder with LibreOffice Calc and Gnumeric,
# which compute formulas and store their results (CI has neither, so the
# files are kept here). Needs libreoffice-calc-nogui and gnumeric.
#   lo-*.xls          LibreOffice, BIFF8
#   gnumeric-*.xls    Gnumeric (ssconvert), BIFF8
#   gnumeric-biff7-cp936.xls  Gnumeric, BIFF7 (Excel 95) in code page 936,
#                     written under a zh_CN.GBK locale built with localedef
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
soffice="soffice -env:UserInstallation=file://$tmp/profile --headless"

# The shared twin workbooks (.xlsx) from the test fixture script.
/usr/bin/python3 "$here/../../source/make_fixtures.py" "$tmp/fx" >/dev/null

cat > "$tmp/formulas.csv" <<'CSV'
名称,经度,纬度,双倍,标签,大于,错误,缺失,空文本,日期,整数1,整数2,整数3
北京站,116.4,39.9,=B2*2,=A2&"-1",=B2>100,=1/0,=NA(),"=IF(1,"""",""x"")",2024-01-31,1,2,3
Café,2.35,48.85,=B3*2,=A3&"-2",=B3>100,=B3/2,=NA(),"=IF(1,"""",""x"")",1999-12-31,4,5,6
Zürich,8.54,47.37,=B4*2,=UPPER(A4),=B4>100,=SQRT(-1),=B4,=C4,2000-02-29,7,8,9
CSV
# UTF-8 CSV import (filter options: comma, double quote, UTF-8), then .ods
# as the common source of every writer.
(cd "$tmp" && $soffice --infilter="CSV:44,34,76" --convert-to ods formulas.csv >/dev/null 2>&1)
(cd "$tmp" && $soffice --convert-to xls formulas.ods >/dev/null 2>&1)
cp "$tmp/formulas.xls" "$here/lo-formulas.xls"
ssconvert "$tmp/formulas.ods" "$here/gnumeric-formulas.xls" 2>/dev/null
mkdir -p "$tmp/locale"
localedef -i zh_CN -f GBK "$tmp/locale/zh_CN.GBK"
LOCPATH="$tmp/locale" LC_ALL=zh_CN.GBK ssconvert --export-type=Gnumeric_Excel:excel_biff7 \
  "$tmp/formulas.ods" "$here/gnumeric-biff7-cp936.xls" 2>/dev/null

for book in twin dates1904; do
  (cd "$tmp/fx" && $soffice --convert-to xls "$book.xlsx" >/dev/null 2>&1)
  cp "$tmp/fx/$book.xls" "$here/lo-$book.xls"
done
ssconvert "$tmp/fx/twin.xlsx" "$here/gnumeric-twin.xls" 2>/dev/null
ls -l "$here"/*.xls
