#!/usr/bin/env bash
# Configures and builds Tessaro (Release) into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release ${CMAKE_EXTRA:-} >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
