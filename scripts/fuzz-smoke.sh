#!/usr/bin/env bash
# A short check of every libFuzzer target in fuzz/: builds them with clang
# into build-fuzz/ and runs each over its committed corpus (fuzz/corpus/NAME/)
# and then over up to a few thousand inputs mutated from it with a fixed seed
# (at most SECONDS seconds a target). Targets are taken from the build (every
# target named fuzz_*), so a new target is picked up without editing this
# file; a corpus folder without a target is an error.
#   bash scripts/fuzz-smoke.sh [RUNS [SECONDS]]     (default 2000 inputs, 20 seconds)
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${1:-2000}
SECONDS_EACH=${2:-20}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
JOBS=$(nproc)

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DTESSARO_FUZZ=ON -DTESSARO_GUI=OFF -DTESSARO_TESTS=OFF -DTESSARO_BENCH=OFF >/dev/null
mapfile -t targets < <(cmake --build "$BUILD_DIR" --target help | sed -nE 's/^\.\.\. (fuzz_[A-Za-z0-9_]+)$/\1/p' |
  grep -vx fuzz_core | sort -u)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets found" >&2
  exit 1
fi
status=0
for dir in fuzz/corpus/*/; do
  [ -d "$dir" ] || continue
  name=$(basename "$dir")
  if ! printf '%s\n' "${targets[@]}" | grep -qx "$name"; then
    echo "fuzz/corpus/$name has no fuzz target of that name" >&2
    status=1
  fi
done
cmake --build "$BUILD_DIR" -j"$JOBS" --target "${targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in "${targets[@]}"; do
  corpus=fuzz/corpus/$t
  mkdir -p "$work/$t"
  # New inputs go to the first (scratch) folder, never into the corpus.
  args=(-seed=1 -runs="$RUNS" -max_total_time="$SECONDS_EACH" -timeout=25 -rss_limit_mb=2048 -artifact_prefix="$work/$t-" "$work/$t")
  [ -d "$corpus" ] && args+=("$corpus")
  if "$BUILD_DIR/bin/$t" "${args[@]}" >"$work/$t.log" 2>&1; then
    echo "fuzz $t: $(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$work/$t.log" | tail -1), ok"
  else
    status=1
    echo "fuzz $t: FAILED" >&2
    tail -n 40 "$work/$t.log" >&2
    for crash in "$work/$t"-*; do
      [ -e "$crash" ] || continue
      mkdir -p fuzz-failures
      cp "$crash" fuzz-failures/
      echo "reproduce: $BUILD_DIR/bin/$t fuzz-failures/$(basename "$crash")" >&2
    done
  fi
done
exit "$status"
