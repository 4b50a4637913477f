#!/bin/sh
# Drive-test layers on a 1M-row x 10-column workbook: tessaro-cli kml-drivetest
# and mif-drivetest against the floor (unzipping the sheet XML) and against
# GDAL's ogr2ogr doing the KML conversion, wall time and peak memory, in one run.
#
#   bench/drivetest_bench.sh [BUILD_DIR] [ROWS]
#
# Needs python3-xlsxwriter, unzip, gdal-bin and GNU time (/usr/bin/time).
set -eu
BUILD=${1:-build}
ROWS=${2:-1000000}
CLI="$BUILD/bin/tessaro-cli"
WORK=${TMPDIR:-/tmp}/tessaro-drivetest-bench
mkdir -p "$WORK"
BOOK="$WORK/dt_$ROWS.xlsx"

if [ ! -f "$BOOK" ]; then
  echo "generating $BOOK ($ROWS rows)..." >&2
  /usr/bin/python3 "$(dirname "$0")/drivetest_book.py" "$BOOK" "$ROWS"
fi

# measure NAME COMMAND...: prints wall seconds, CPU seconds (user + system) and
# peak KiB, keeps them in $SECS/$CPU/$KIB. On a shared machine the CPU ratios
# are the steadier figure.
measure() {
  name=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$WORK/time.txt" "$@" >/dev/null 2>"$WORK/$name.err" || {
    echo "$name failed:" >&2
    cat "$WORK/$name.err" >&2
    exit 1
  }
  read -r SECS USR SYS KIB <"$WORK/time.txt"
  CPU=$(awk -v u="$USR" -v s="$SYS" 'BEGIN { printf "%.2f", u + s }')
  printf '%-16s %8.2f s wall %8.2f s cpu %8d MiB\n' "$name" "$SECS" "$CPU" "$((KIB / 1024))"
}

measure floor sh -c "unzip -p '$BOOK' xl/worksheets/sheet1.xml >/dev/null"
FLOOR=$SECS
FLOORCPU=$CPU
measure kml-drivetest "$CLI" kml-drivetest "$BOOK" --sheet DT --value RxLev -q -o "$WORK/out.kml"
KML=$SECS
KMLCPU=$CPU
KMLMEM=$KIB
measure mif-drivetest "$CLI" mif-drivetest "$BOOK" --sheet DT --value RxLev -q -o "$WORK/out"
MIF=$SECS
MIFCPU=$CPU
MIFMEM=$KIB
rm -f "$WORK/ogr.kml"
measure ogr2ogr ogr2ogr -f KML "$WORK/ogr.kml" "$BOOK" -dialect sqlite \
  -sql "select MakePoint(Longitude, Latitude, 4326) as geometry, RxLev from DT"
OGR=$SECS
OGRCPU=$CPU
OGRMEM=$KIB

awk -v fc="$FLOORCPU" -v kc="$KMLCPU" -v mc="$MIFCPU" -v oc="$OGRCPU" -v f="$FLOOR" -v k="$KML" -v m="$MIF" -v o="$OGR" -v km="$KMLMEM" -v mm="$MIFMEM" -v om="$OGRMEM" 'BEGIN {
  printf "kml-drivetest: %.2fx the floor (target <= 4), ogr2ogr/kml %.2fx (target >= 2), memory %.2fx ogr2ogr (target < 1)\n", k / f, o / k, km / om
  printf "mif-drivetest: %.2fx the floor (target <= 4), memory %.2fx ogr2ogr (target < 1)\n", m / f, mm / om
  printf "ogr2ogr:       %.2fx the floor\n", o / f
  printf "cpu time: kml %.2fx the floor, ogr2ogr/kml %.2fx; mif %.2fx the floor\n", kc / fc, oc / kc, mc / fc
}'
