#!/usr/bin/env bash
# Installs what is needed, builds Tessaro and runs every test: once in a
# Release build (warnings as errors), once with AddressSanitizer and
# UndefinedBehaviorSanitizer; then a short run of every fuzz target over its
# corpus (clang, libFuzzer).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
JOBS=$(nproc)

echo "== No function over 60 lines in src/"
python3 scripts/long-functions.py src
export QT_QPA_PLATFORM=offscreen

echo "== Release build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTESSARO_WERROR=ON >/dev/null
cmake --build build -j"$JOBS"
(cd build && ctest --output-on-failure -j"$JOBS" --timeout 600)

echo "== Sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DTESSARO_WERROR=ON \
  -DTESSARO_SANITIZE=ON -DTESSARO_BENCH=OFF >/dev/null
cmake --build build-asan -j"$JOBS"
(cd build-asan && ctest --output-on-failure -j"$JOBS" --timeout 1200)

echo "== Fuzz targets over their corpora (clang, libFuzzer)"
bash scripts/fuzz-smoke.sh
