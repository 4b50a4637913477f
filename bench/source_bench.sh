#!/usr/bin/env bash
# Workbook provider benchmark on a 1M-row x 10-column drive-test workbook.
#   bench/source_bench.sh [BUILD_DIR] [ROWS]
# Builds the workbook (once, into BUILD_DIR/bench-data; never committed),
# then times, each in its own process and against the floor of merely
# unzipping the sheet XML in the same run:
#   - listing the sheet's columns            (tessaro-cli columns)
#   - the full parse into the provider        (tessaro-cli query "select count(*)")
#   - the drive-test group-by query           (load + query, minus the load)
# and the in-process figures of bench_source (query time on a loaded sheet,
# the engine's memory). Wall and CPU (user + sys) seconds are both shown:
# on a busy machine the CPU ratio is the fairer one.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
ROWS=${2:-1000000}
CLI="$BUILD/bin/tessaro-cli"
BENCH="$BUILD/bin/bench_source"
DATA="$BUILD/bench-data"
BOOK="$DATA/drivetest-$ROWS.xlsx"
mkdir -p "$DATA"
if [ ! -f "$BOOK" ]; then
  echo "Writing $BOOK ..."
  /usr/bin/python3 bench/make_drivetest_book.py "$BOOK.tmp" "$ROWS"
  mv "$BOOK.tmp" "$BOOK"
fi
QUERY="select left([LON],8),left([LAT],7),format(avg([RX LevSub(dBm)]),'0') from [DT\$] where [LON]<>0 or [LAT]<>0 group by left([LON],8),left([LAT],7)"

# measure NAME COMMAND...: prints "NAME wall cpu maxrss_kib"
measure() {
  local name=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$DATA/time.out" "$@" > /dev/null
  read -r wall user sys rss < "$DATA/time.out"
  echo "$name $wall $user $sys $rss"
}

{
  measure floor sh -c "unzip -p '$BOOK' xl/worksheets/sheet1.xml > /dev/null"
  measure columns "$CLI" columns "$BOOK" DT
  measure load "$CLI" query "$BOOK" "select count(*) from [DT\$]"
  measure load_and_query "$CLI" query "$BOOK" "$QUERY"
} > "$DATA/results.txt"

awk '
  { wall[$1] = $2; cpu[$1] = $3 + $4; rss[$1] = $5 }
  END {
    printf "%-16s %8s %8s %10s\n", "step", "wall s", "cpu s", "peak MiB"
    n = split("floor columns load load_and_query", order, " ")
    for (i = 1; i <= n; ++i) { k = order[i]; printf "%-16s %8.2f %8.2f %10.1f\n", k, wall[k], cpu[k], rss[k] / 1024 }
    printf "\nfull parse into the provider: %.2fx the floor (wall), %.2fx (cpu); target <= 4x\n",
      wall["load"] / wall["floor"], cpu["load"] / cpu["floor"]
    printf "listing the columns: %.3f s wall; target < 0.2 s\n", wall["columns"]
    printf "drive-test group-by query alone: %.2f s wall, %.2f s cpu; target <= 1.5 s\n",
      wall["load_and_query"] - wall["load"], cpu["load_and_query"] - cpu["load"]
  }' "$DATA/results.txt"
echo
echo "In one process (bench_source, wall seconds):"
/usr/bin/time -f "bench_source peak RSS %M KiB" "$BENCH" "$BOOK" DT
