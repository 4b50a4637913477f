#!/usr/bin/env bash
# The regionated KMZ against today's plain KMZ on the 1,000,000-row drive-test
# workbook, in one run: each command RUNS times in turn, medians of wall time,
# CPU time (user + system) and peak memory, the two files' sizes, the KML bytes
# per placemark of the tiles, and the most placemarks a simulated 1920 x 1080
# screen loads at any zoom (the regionate test's simulation run on this KMZ).
# Targets: time <= 1.5x the plain KMZ, peak <= 192 MiB, size <= 1.25x.
#
#   bench/regionate_bench.sh [BUILD_DIR] [ROWS] [RUNS]
#
# Needs python3-xlsxwriter, unzip and GNU time (/usr/bin/time). The workbook
# is written once into BUILD_DIR/bench-data (shared with large_sheets.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
ROWS=${2:-1000000}
RUNS=${3:-3}
. bench/common.sh
bench_setup regionate_bench
DT="$DATA/dt_$ROWS.xlsx"
bench_book "$DT" bench/drivetest_book.py "$ROWS"

for ((i = 0; i < RUNS; ++i)); do
  run plain "$CLI" kml-drivetest "$DT" --sheet DT --value RxLev -q -o "$WORK/plain.kmz"
  run tiles "$CLI" kml-drivetest "$DT" --sheet DT --value RxLev -q -o "$WORK/tiles.kmz" --regionate
done

printf '%-8s %9s %9s %9s %12s   (medians of %d runs)\n' layer "wall s" "cpu s" "peak MiB" "bytes" "$RUNS"
for n in plain tiles; do
  printf '%-8s %9.2f %9.2f %9d %12d\n' "$n" "$(median $n 1)" "$(median $n 2)" "$(($(median $n 3) / 1024))" \
    "$(stat -c %s "$WORK/$n.kmz")"
done
KML=$(unzip -Zt "$WORK/tiles.kmz" | awk '{ print $3 }')
MARKS=$(unzip -p "$WORK/tiles.kmz" 'tiles/*.kml' | grep -o '<Placemark>' | wc -l)
awk -v p="$(median plain 1)" -v t="$(median tiles 1)" -v pc="$(median plain 2)" -v tc="$(median tiles 2)" \
  -v tm="$(median tiles 3)" -v ps="$(stat -c %s "$WORK/plain.kmz")" -v ts="$(stat -c %s "$WORK/tiles.kmz")" \
  -v kml="$KML" -v marks="$MARKS" 'BEGIN {
  printf "regionated: %.2fx the plain KMZ wall, %.2fx cpu (target <= 1.5), %d MiB (target <= 192), %.2fx its size (target <= 1.25)\n", t / p, tc / pc, tm / 1024, ts / ps
  printf "tiles: %d placemarks, %.1f bytes of KML each (target <= 130)\n", marks, kml / marks
}'
TESSARO_REGIONATED_KMZ="$WORK/tiles.kmz" "$BUILD/bin/test_regionate" --gtest_filter='*Screen*' | grep 'most placemarks' | tail -1
