#!/usr/bin/env bash
# Converts the bundled sample workbook into every layer under out/ (the run
# command's answer when no display is present).
set -euo pipefail
cd "$(dirname "$0")/.."
CLI=${CLI:-build/bin/tessaro-cli}
BOOK=data/sample.xlsx
if [ ! -f "$BOOK" ]; then
  /usr/bin/python3 scripts/make-sample.py "$BOOK"
fi
"$CLI" --version
status=0
bash scripts/demo-layers.sh "$CLI" "$BOOK" out || status=$?
echo
echo "Layers are under $(pwd)/out/ (open the .kml files in Google Earth, the .mif/.mid pairs in MapInfo)."
exit "$status"
