#!/usr/bin/env bash
# Fly-line benchmark: 10,000 cells x 1,000,000 drive-test points.
#   tessaro-cli kml-flyline end to end, against the floor (unzip -p of both
#   sheets) and against the join query alone (tessaro-cli query), in one run.
# usage: bench/flyline_bench.sh [BUILD_DIR] [CELLS] [POINTS]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
CELLS=${2:-10000}
POINTS=${3:-1000000}
CLI="$BUILD/bin/tessaro-cli"
WORK=$(mktemp -d /tmp/flyline_bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
BOOK="$WORK/flyline_bench.xlsx"

echo "== writing $CELLS cells x $POINTS points"
/usr/bin/python3 bench/flyline_bench_book.py "$BOOK" "$CELLS" "$POINTS"
ls -l "$BOOK"

# wall seconds and peak resident kilobytes of a command
measure() {
  local label=$1; shift
  /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$@" >/dev/null 2>"$WORK/err.txt" || {
    echo "$label failed:"; cat "$WORK/err.txt"; exit 1; }
  read -r secs kb <"$WORK/time.txt"
  printf '%-28s %8.2f s %8d MiB\n' "$label" "$secs" $((kb / 1024))
  eval "T_${label//[^a-zA-Z]/_}=$secs"
}

SHEETS=$(unzip -Z1 "$BOOK" | grep '^xl/worksheets/sheet' | tr '\n' ' ')
JOIN="select a.[Longitude] as alo,a.[Latitude] as ala,a.[Dir] as fwj,b.[Longitude],b.[Latitude],b.[CI] from [Cells\$] as a,(select distinct * from [DT\$]) as b where a.[CI]=b.[CI]"

measure floor unzip -p "$BOOK" $SHEETS
measure join "$CLI" query "$BOOK" "$JOIN"
measure kml_flyline "$CLI" kml-flyline "$BOOK" --cells Cells --points DT -q -o "$WORK/out.kml"
measure mif_flyline "$CLI" mif-flyline "$BOOK" --cells Cells --points DT -q -o "$WORK/out"
echo "placemarks: $(grep -c '<Placemark>' "$WORK/out.kml")"
awk -v f="$T_floor" -v j="$T_join" -v k="$T_kml_flyline" -v m="$T_mif_flyline" 'BEGIN {
  printf "kml-flyline / floor = %.2f   kml-flyline / join = %.2f\n", k / f, k / j
  printf "mif-flyline / floor = %.2f   mif-flyline / join = %.2f\n", m / f, m / j }'
