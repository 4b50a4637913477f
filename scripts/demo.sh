#!/usr/bin/env bash
# Converts the bundled sample workbook into every layer under out/.
set -euo pipefail
cd "$(dirname "$0")/.."
CLI=build/bin/tessaro-cli
BOOK=data/sample.xlsx
if [ ! -f "$BOOK" ]; then
  echo "No display and no sample workbook yet; tessaro-cli is at $CLI:"
  "$CLI" --version
  exit 0
fi
mkdir -p out
"$CLI" --version
if [ -x scripts/demo-layers.sh ]; then
  bash scripts/demo-layers.sh "$CLI" "$BOOK" out
fi
echo "Layers written under $(pwd)/out/"
