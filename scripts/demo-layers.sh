#!/usr/bin/env bash
# Converts a workbook laid out like data/sample.xlsx (sheets 小区, 路测, 地标)
# into all seven layers with tessaro-cli:
#   bash scripts/demo-layers.sh CLI BOOK OUTDIR
# Every layer is tried even when an earlier one fails; the end lists which
# layers were written and which commands failed. Exit status 1 when any failed.
set -uo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 CLI BOOK OUTDIR" >&2
  exit 2
fi
CLI=$1
BOOK=$2
OUT=$3
mkdir -p "$OUT"
ERR=$(mktemp)
trap 'rm -f "$ERR"' EXIT

written=()
failed=()

# layer NAME FILES -- ARGS...: runs tessaro-cli ARGS; NAME is written when the
# command succeeds and every one of FILES exists.
layer() {
  local name=$1 files=$2
  shift 3
  local status=0
  "$CLI" "$@" -q >/dev/null 2>"$ERR" || status=$?
  local missing=""
  for f in $files; do [ -s "$OUT/$f" ] || missing="$missing $f"; done
  if [ "$status" -eq 0 ] && [ -z "$missing" ]; then
    written+=("$name: $(for f in $files; do printf '%s ' "$OUT/$f"; done)")
    echo "ok      $name"
  else
    local reason
    reason=$(head -n 3 "$ERR" | tr '\n' ' ')
    [ -n "$missing" ] && [ "$status" -eq 0 ] && reason="exit 0 but missing:$missing"
    failed+=("$name (tessaro-cli $1, exit $status): $reason")
    echo "FAILED  $name: exit $status ${reason}"
  fi
}

layer "KML sectors"     "sectors.kml"                 -- kml-sector    "$BOOK" --sheet 小区 -o "$OUT/sectors.kml"
layer "MIF sectors"     "sectors.mif sectors.mid"     -- mif-sector    "$BOOK" --sheet 小区 -o "$OUT/sectors"
layer "KML drive test"  "drivetest.kml"               -- kml-drivetest "$BOOK" --sheet 路测 -o "$OUT/drivetest.kml"
layer "MIF drive test"  "drivetest.mif drivetest.mid" -- mif-drivetest "$BOOK" --sheet 路测 -o "$OUT/drivetest"
layer "KML fly lines"   "flylines.kml"                -- kml-flyline   "$BOOK" --cells 小区 --points 路测 -o "$OUT/flylines.kml"
layer "MIF fly lines"   "flylines.mif flylines.mid"   -- mif-flyline   "$BOOK" --cells 小区 --points 路测 -o "$OUT/flylines"
layer "KML landmarks"   "landmarks.kml"               -- kml-landmark  "$BOOK" --sheet 地标 --value 类型 --description 说明 -o "$OUT/landmarks.kml"

echo
echo "Layers written (${#written[@]} of 7):"
for w in "${written[@]}"; do echo "  $w"; done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Commands that failed (${#failed[@]}):"
  for f in "${failed[@]}"; do echo "  $f"; done
  exit 1
fi
