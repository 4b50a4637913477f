#!/usr/bin/env bash
# Takes the screenshots of docs/ under a virtual display: the main window with
# its notes and every layer window, written as small PNGs.
#   bash scripts/screenshots.sh [build/bin/tessaro] [OUTDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
APP=${1:-build/bin/tessaro}
OUT=${2:-docs}
mkdir -p "$OUT"

# shot NAME [ARGS...]: starts the program on a display exactly the main
# window's size, waits for it to draw, and grabs the screen.
shot() {
  local name=$1
  shift
  xvfb-run -a -s "-screen 0 600x360x24" bash -c '
    "$1" "${@:3}" &
    pid=$!
    sleep "${SHOT_DELAY:-3}"
    import -window root "PNG:$2"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  ' shot "$APP" "$OUT/$name-raw.png" "$@"
  # Fewer colours keep the files small; the text stays readable.
  convert "$OUT/$name-raw.png" -strip -colors 64 "PNG8:$OUT/$name.png"
  rm -f "$OUT/$name-raw.png"
  echo "$OUT/$name.png"
}

export LANG=C.UTF-8
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
shot main --show Form4
for window in Form1 Form2 Form3 Form5 map map2 map3; do
  shot "$(echo "$window" | tr '[:upper:]' '[:lower:]')" --show "$window"
done
# The sector window's "更多选项…" dialog over the sample workbook's cell sheet.
shot form1-more data/sample.xlsx --more
