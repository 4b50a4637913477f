#!/usr/bin/env bash
# The drive-test grid on a 1,000,000-row city drive test, in one run: each
# command three times in turn, medians of wall time, CPU time (user + system)
# and peak memory, and the ratios against today's plain kml-drivetest on the
# same book (target: the 20 m grid within 1.5x, under 256 MiB).
#
#   bench/grid_bench.sh [BUILD_DIR] [ROWS] [RUNS]
#
# Needs python3-xlsxwriter and GNU time (/usr/bin/time). The workbook is
# written once into BUILD_DIR/bench-data (a few minutes for 1,000,000 rows).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
ROWS=${2:-1000000}
RUNS=${3:-3}
. bench/common.sh
bench_setup grid_bench
BOOK="$DATA/grid_$ROWS.xlsx"
bench_book "$BOOK" bench/grid_book.py "$ROWS"

for ((i = 0; i < RUNS; ++i)); do
  run plain "$CLI" kml-drivetest "$BOOK" --sheet DT --value RxLev -q -o "$WORK/plain.kml"
  run kmlgrid "$CLI" kml-drivetest "$BOOK" --sheet DT --value RxLev --grid 20 -q -o "$WORK/grid.kml"
  run kmlmedian "$CLI" kml-drivetest "$BOOK" --sheet DT --value RxLev --grid 20 --stat median -q -o "$WORK/median.kml"
  run mifgrid "$CLI" mif-drivetest "$BOOK" --sheet DT --value RxLev --grid 20 -q -o "$WORK/grid"
done

printf '%-10s %9s %9s %9s   (medians of %d runs)\n' step "wall s" "cpu s" "peak MiB" "$RUNS"
for n in plain kmlgrid kmlmedian mifgrid; do
  printf '%-10s %9.2f %9.2f %9d\n' "$n" "$(median $n 1)" "$(median $n 2)" "$(($(median $n 3) / 1024))"
done
awk -v p="$(median plain 1)" -v g="$(median kmlgrid 1)" -v d="$(median kmlmedian 1)" -v m="$(median mifgrid 1)" \
  -v pc="$(median plain 2)" -v gc="$(median kmlgrid 2)" -v gm="$(median kmlgrid 3)" -v dm="$(median kmlmedian 3)" \
  -v mm="$(median mifgrid 3)" 'BEGIN {
  printf "kml-drivetest --grid 20: %.2fx the plain layer (target <= 1.5), cpu %.2fx, %d MiB (target < 256)\n", g / p, gc / pc, gm / 1024
  printf "  --stat median:         %.2fx the plain layer, %d MiB\n", d / p, dm / 1024
  printf "mif-drivetest --grid 20: %.2fx the plain KML layer, %d MiB\n", m / p, mm / 1024
}'
