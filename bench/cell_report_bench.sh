#!/usr/bin/env bash
# Per-cell report benchmark: 10,000 cells x 1,000,000 drive-test points.
#   tessaro-cli cell-report against tessaro-cli kml-flyline on the same
#   sheets (the report reuses the fly-line join), in one run, each command
#   in turn RUNS times; prints the median seconds, peak memory and the ratio.
# usage: bench/cell_report_bench.sh [BUILD_DIR] [CELLS] [POINTS] [RUNS]
# Needs python3-xlsxwriter and GNU time (/usr/bin/time). The workbook is
# written once into BUILD_DIR/bench-data (shared with large_sheets.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
CELLS=${2:-10000}
POINTS=${3:-1000000}
RUNS=${4:-3}
. bench/common.sh
bench_setup cell_report_bench
BOOK="$DATA/fly_${CELLS}_$POINTS.xlsx"
bench_book "$BOOK" bench/flyline_bench_book.py "$CELLS" "$POINTS"

for _ in $(seq "$RUNS"); do
  run kml_flyline "$CLI" kml-flyline "$BOOK" --cells Cells --points DT -q -o "$WORK/out.kml"
  run cell_report "$CLI" cell-report "$BOOK" --cells Cells --points DT -q -o "$WORK/report"
done
ls -l "$WORK/report.xlsx" "$WORK/report.html"

for label in kml_flyline cell_report; do
  printf '%-12s median %8.2f s %8d MiB\n' "$label" "$(median $label 1)" $(($(median $label 3) / 1024))
done
awk -v k="$(median kml_flyline 1)" -v r="$(median cell_report 1)" \
  'BEGIN { printf "cell-report / kml-flyline = %.2f\n", r / k }'
