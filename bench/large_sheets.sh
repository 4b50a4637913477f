#!/usr/bin/env bash
# Large sheets, in one run: each command three times in turn, medians of wall
# time, CPU time (user + system) and peak memory, and the ratios:
#   - floor: unzip -p of the sheet XML (inflating it is all a reader must do);
#   - tessaro-cli kml-drivetest and mif-drivetest on the 1,000,000-row x
#     10-column drive-test workbook, against the floor and against ogr2ogr
#     converting the same sheet to KML;
#   - tessaro-cli kml-flyline on 10,000 cells x 1,000,000 points against
#     reading both sheets (a query that loads them and counts their rows).
#
#   bench/large_sheets.sh [BUILD_DIR] [ROWS] [RUNS]
#
# Needs python3-xlsxwriter, unzip, gdal-bin and GNU time (/usr/bin/time).
# The workbooks are written once into BUILD_DIR/bench-data.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
ROWS=${2:-1000000}
RUNS=${3:-3}
. bench/common.sh
bench_setup large_sheets
DT="$DATA/dt_$ROWS.xlsx"
FLY="$DATA/fly_10000_$ROWS.xlsx"
bench_book "$DT" bench/drivetest_book.py "$ROWS"
bench_book "$FLY" bench/flyline_bench_book.py 10000 "$ROWS"
FLYSHEETS=$(unzip -Z1 "$FLY" | grep '^xl/worksheets/sheet' | tr '\n' ' ')

for ((i = 0; i < RUNS; ++i)); do
  run floor sh -c "unzip -p '$DT' xl/worksheets/sheet1.xml >/dev/null"
  run kml "$CLI" kml-drivetest "$DT" --sheet DT --value RxLev -q -o "$WORK/out.kml"
  run mif "$CLI" mif-drivetest "$DT" --sheet DT --value RxLev -q -o "$WORK/out"
  rm -f "$WORK/ogr.kml"
  run ogr2ogr ogr2ogr -f KML "$WORK/ogr.kml" "$DT" -dialect sqlite \
    -sql "select MakePoint(Longitude, Latitude, 4326) as geometry, RxLev from DT"
  run flyfloor sh -c "unzip -p '$FLY' $FLYSHEETS >/dev/null"
  run readboth "$CLI" query "$FLY" "select (select count(*) from [Cells\$]), (select count(*) from [DT\$])"
  run flyline "$CLI" kml-flyline "$FLY" --cells Cells --points DT -q -o "$WORK/fly.kml"
done

printf '%-10s %9s %9s %9s   (medians of %d runs)\n' step "wall s" "cpu s" "peak MiB" "$RUNS"
for n in floor kml mif ogr2ogr flyfloor readboth flyline; do
  printf '%-10s %9.2f %9.2f %9d\n' "$n" "$(median $n 1)" "$(median $n 2)" "$(($(median $n 3) / 1024))"
done
awk -v f="$(median floor 1)" -v k="$(median kml 1)" -v m="$(median mif 1)" -v o="$(median ogr2ogr 1)" \
  -v fc="$(median floor 2)" -v kc="$(median kml 2)" -v mc="$(median mif 2)" -v oc="$(median ogr2ogr 2)" \
  -v km="$(median kml 3)" -v mm="$(median mif 3)" \
  -v r="$(median readboth 1)" -v l="$(median flyline 1)" -v rc="$(median readboth 2)" -v lc="$(median flyline 2)" 'BEGIN {
  printf "kml-drivetest: %.2fx the floor (target <= 2), %.2fx ogr2ogr (target <= 0.33), %d MiB (target <= 128)\n", k / f, k / o, km / 1024
  printf "mif-drivetest: %.2fx the floor (target <= 2.5), %d MiB (target <= 128)\n", m / f, mm / 1024
  printf "kml-flyline:   %.2fx reading both sheets (target <= 1.5)\n", l / r
  printf "cpu time:      kml %.2fx, mif %.2fx the floor; kml %.2fx ogr2ogr; fly lines %.2fx reading\n", kc / fc, mc / fc, kc / oc, lc / rc
}'
