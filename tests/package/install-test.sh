#!/usr/bin/env bash
# The Debian package from end to end: cpack builds it from a finished build
# tree, it is unpacked into an empty root, and the programs run from there
# with a fresh home folder: the command line converts the sample workbook into
# every layer (taking its icons from the installed shared folder), the windows
# start offscreen with the workbook opened. Its Depends cover every library
# the programs load, its menu entry is valid, and lintian finds no error.
#   bash tests/package/install-test.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "$1" && pwd)
SRC=$(cd "$(dirname "$0")/../.." && pwd)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Build the package into the temporary folder (the build tree's own
# tessaro_*.deb, if any, stays untouched).
(cd "$BUILD" && cpack -G DEB -B "$TMP/pkg" >"$TMP/cpack.log" 2>&1) || { cat "$TMP/cpack.log"; fail "cpack"; }
DEB=$(ls "$TMP"/pkg/tessaro_*.deb)
VERSION=$(dpkg-deb -f "$DEB" Version)
ARCH=$(dpkg --print-architecture)
[ "$(basename "$DEB")" = "tessaro_${VERSION}_${ARCH}.deb" ] || fail "package file name $(basename "$DEB")"
echo "built $(basename "$DEB")"

# Every file a desktop program is expected to bring.
dpkg-deb -c "$DEB" | awk '{print $NF}' | sed 's|^\./|/|' >"$TMP/files"
for f in /usr/bin/tessaro /usr/bin/tessaro-cli \
  /usr/share/applications/tessaro.desktop \
  /usr/share/icons/hicolor/48x48/apps/tessaro.png /usr/share/icons/hicolor/128x128/apps/tessaro.png \
  /usr/share/icons/hicolor/scalable/apps/tessaro.svg \
  /usr/share/man/man1/tessaro.1.gz /usr/share/man/man1/tessaro-cli.1.gz \
  /usr/share/doc/tessaro/copyright /usr/share/doc/tessaro/changelog.gz \
  "/usr/share/tessaro/save/icon/点图标.gif"; do
  grep -qxF "$f" "$TMP/files" || fail "missing in the package: $f"
done

ROOT=$TMP/root
dpkg -x "$DEB" "$ROOT"

# Depends: every shared library the programs need comes from a package it names.
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $DEPENDS"
tr ',|' '\n\n' <<<"$DEPENDS" | sed 's/^ *//; s/[ :].*//' >"$TMP/depends"
for exe in "$ROOT/usr/bin/tessaro" "$ROOT/usr/bin/tessaro-cli"; do
  ldd "$exe" >"$TMP/ldd"
  grep "not found" "$TMP/ldd" && fail "$exe: libraries not found"
  # The path of each library the program names itself (not those they pull in).
  objdump -p "$exe" | awk 'NR == FNR { if ($1 == "NEEDED") need[$2] = 1; next } ($1 in need) && $3 ~ /^\// { print $3 }' \
    - "$TMP/ldd"
done | xargs readlink -f | awk -F/ '{ print "*/" $(NF - 1) "/" $NF }' | sort -u >"$TMP/needed"
# dpkg knows a library by its real file (not the links to it) in its multiarch folder.
mapfile -t needed <"$TMP/needed"
dpkg -S "${needed[@]}" | sed 's/: .*//' | tr ',' '\n' | sed 's/^ *//; s/:.*//' | sort -u >"$TMP/owners"
[ "$(wc -l <"$TMP/owners")" -ge 5 ] || fail "too few library packages: $(cat "$TMP/owners")"
while read -r owner; do
  grep -qxF "$owner" "$TMP/depends" || fail "a needed library comes from $owner, which Depends lacks"
done <"$TMP/owners"

# The menu entry and the icons.
desktop-file-validate "$ROOT/usr/share/applications/tessaro.desktop"
grep -qx 'Exec=tessaro %f' "$ROOT/usr/share/applications/tessaro.desktop" || fail "Exec line"
for mime in application/vnd.openxmlformats-officedocument.spreadsheetml.sheet application/vnd.ms-excel; do
  grep -q "^MimeType=.*$mime;" "$ROOT/usr/share/applications/tessaro.desktop" || fail "MimeType lacks $mime"
done
for size in 48 128; do
  identify -format '%wx%h' "$ROOT/usr/share/icons/hicolor/${size}x${size}/apps/tessaro.png" | grep -qx "${size}x${size}" ||
    fail "icon ${size}x${size}"
done
for page in tessaro tessaro-cli; do
  zcat "$ROOT/usr/share/man/man1/$page.1.gz" | grep -q '^\.SH DESCRIPTION' || fail "$page(1) has no description"
done

# The programs from the unpacked root, with a home folder never used before.
export HOME=$TMP/home XDG_DATA_HOME=$TMP/home/data
mkdir -p "$HOME"
BIN=$ROOT/usr/bin
[ "$("$BIN/tessaro-cli" --version)" = "tessaro-cli $VERSION" ] || fail "tessaro-cli --version"
[ "$("$BIN/tessaro" --version)" = "tessaro $VERSION" ] || fail "tessaro --version"
bash "$SRC/scripts/demo-layers.sh" "$BIN/tessaro-cli" "$SRC/data/sample.xlsx" "$TMP/out" >"$TMP/demo.log" 2>&1 ||
  { cat "$TMP/demo.log"; fail "demo conversion from the installed programs"; }
grep -q "Layers written (7 of 7)" "$TMP/demo.log" || fail "not every layer written"
# A custom landmark icon is the user's copy in the save folder, made at this
# first use with a copy of the shipped icons.
"$BIN/tessaro-cli" kml-landmark "$SRC/data/sample.xlsx" --sheet 地标 --value 类型 --icon "学校=红色" \
  -o "$TMP/out/landmarks-icons.kml" -q >"$TMP/lm.log" 2>&1 || { cat "$TMP/lm.log"; fail "kml-landmark"; }
grep -q "图标文件不存在" "$TMP/lm.log" && fail "$(cat "$TMP/lm.log")"
grep -qF "<href>$XDG_DATA_HOME/tessaro/save/icon/红色.gif</href>" "$TMP/out/landmarks-icons.kml" ||
  fail "the custom icon is not the one in the user's save folder"
SAVE=$XDG_DATA_HOME/tessaro/save
for icon in "$ROOT"/usr/share/tessaro/save/icon/*.gif; do
  cmp -s "$icon" "$SAVE/icon/$(basename "$icon")" || fail "icon $(basename "$icon") not seeded into $SAVE"
done

# The windows start offscreen with the workbook opened, and end by themselves.
QT_QPA_PLATFORM=offscreen timeout 60 "$BIN/tessaro" --smoke "$SRC/data/sample.xlsx" >"$TMP/gui.log" 2>&1 ||
  { cat "$TMP/gui.log"; fail "the installed GUI did not start"; }

# lintian: warnings are shown, errors fail.
lintian --fail-on error --suppress-tags-from-file /dev/null "$DEB" | tee "$TMP/lintian.log"
echo "package ok: $(wc -l <"$TMP/files") entries, lintian: $(grep -c '^W:' "$TMP/lintian.log" || true) warnings"
