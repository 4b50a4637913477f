#!/usr/bin/env bash
# Per-cell report benchmark: 10,000 cells x 1,000,000 drive-test points.
#   tessaro-cli cell-report against tessaro-cli kml-flyline on the same
#   sheets (the report reuses the fly-line join), in one run, each command
#   in turn RUNS times; prints the median seconds, peak memory and the ratio.
# usage: bench/cell_report_bench.sh [BUILD_DIR] [CELLS] [POINTS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
CELLS=${2:-10000}
POINTS=${3:-1000000}
RUNS=${4:-3}
CLI="$BUILD/bin/tessaro-cli"
WORK=$(mktemp -d /tmp/cell_report_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
BOOK="$WORK/flyline_bench.xlsx"

echo "== writing $CELLS cells x $POINTS points"
/usr/bin/python3 bench/flyline_bench_book.py "$BOOK" "$CELLS" "$POINTS"
ls -l "$BOOK"

# appends "seconds kilobytes" of one run of a command to $WORK/<label>
measure() {
  local label=$1; shift
  /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$@" >/dev/null 2>"$WORK/err.txt" || {
    echo "$label failed:"; cat "$WORK/err.txt"; exit 1; }
  cat "$WORK/time.txt" >>"$WORK/$label"
}

for _ in $(seq "$RUNS"); do
  measure kml_flyline "$CLI" kml-flyline "$BOOK" --cells Cells --points DT -q -o "$WORK/out.kml"
  measure cell_report "$CLI" cell-report "$BOOK" --cells Cells --points DT -q -o "$WORK/report"
done
ls -l "$WORK/report.xlsx" "$WORK/report.html"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for label in kml_flyline cell_report; do
  secs=$(cut -d' ' -f1 "$WORK/$label" | median)
  kb=$(cut -d' ' -f2 "$WORK/$label" | median)
  printf '%-12s median %8.2f s %8d MiB\n' "$label" "$secs" $((${kb%.*} / 1024))
  eval "T_$label=$secs"
done
awk -v k="$T_kml_flyline" -v r="$T_cell_report" 'BEGIN { printf "cell-report / kml-flyline = %.2f\n", r / k }'
