#!/usr/bin/env bash
# Makes the LibreOffice-written workbooks of this folder from the .csv files
# beside them (LibreOffice computes the formulas in the text and stores their
# results, error values included). Needs libreoffice-calc-nogui; the results
# are committed so the tests do not.
set -euo pipefail
cd "$(dirname "$0")"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
for csv in drive.csv cells.csv; do
  soffice -env:UserInstallation=file://"$profile" --headless --infilter=CSV:44,34,76,1 \
    --convert-to xlsx "$csv" --outdir . >/dev/null
done
