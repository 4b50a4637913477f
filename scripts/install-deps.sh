#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Tessaro
# need. Idempotent: quick when everything is present.
set -euo pipefail
PACKAGES=(
  g++ make cmake pkg-config clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-translations-l10n libgl-dev
  libsqlite3-dev libminizip-dev libexpat1-dev libcairo2-dev libpango1.0-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev libgeographiclib-dev libxlsxwriter-dev
  fonts-noto-cjk xvfb xauth imagemagick
  gdal-bin libxml2-utils unzip zip time
  python3 python3-xlsxwriter python3-xlwt python3-openpyxl
  dpkg-dev fakeroot lintian help2man librsvg2-bin desktop-file-utils man-db
)
missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
