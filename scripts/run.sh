#!/usr/bin/env bash
# Installs what is needed, builds, and starts Tessaro: the windows where a
# display exists, otherwise a demo conversion of the bundled sample workbook.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/tessaro "$@"
fi
bash scripts/demo.sh
