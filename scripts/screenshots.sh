#!/usr/bin/env bash
# Takes the README's screenshots under a virtual display: the main window and
# two layer windows, written as small PNGs into docs/.
#   bash scripts/screenshots.sh [build/bin/tessaro]
set -euo pipefail
cd "$(dirname "$0")/.."
APP=${1:-build/bin/tessaro}
mkdir -p docs

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
  ' shot "$APP" "docs/$name-raw.png" "$@"
  # Fewer colours keep the files small; the text stays readable.
  convert "docs/$name-raw.png" -strip -colors 64 "PNG8:docs/$name.png"
  rm -f "docs/$name-raw.png"
  echo "docs/$name.png"
}

export LANG=C.UTF-8
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
shot main --show Form4
shot form1 --show Form1
shot form5 --show Form5
