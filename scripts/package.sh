#!/usr/bin/env bash
# Builds the Debian package build/tessaro_<version>_<arch>.deb from a Release
# build and checks it with lintian (an error fails the script). Install it
# with: apt install ./build/tessaro_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
VERSION=$(sed -n 's/^project(Tessaro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
DEB=$BUILD_DIR/tessaro_${VERSION}_$(dpkg --print-architecture).deb
[ -f "$DEB" ] || { echo "cpack wrote no $DEB" >&2; exit 1; }
lintian --fail-on error "$DEB"
echo "$DEB"
