#!/usr/bin/env bash
# Makes the placemark icons the program ships, data/save/icon/*.gif: small
# round markers with a dark outline on a transparent background, and the
# title-bar renderings of the application icon, data/desktop/tessaro-N.png.
# Run it again after changing the list or the SVG; the pictures are committed
# so a build needs neither ImageMagick nor rsvg-convert.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=data/save/icon
mkdir -p "$OUT"

# name  fill colour
ICONS=(
  "点图标 #1E64DC"
  "红色 #E02020"
  "绿色 #20A040"
  "橙色 #FF8C00"
  "blue #2050E0"
  "yellow #F0D000"
  "purple #9030C0"
)

marker() {  # marker FILE COLOUR
  convert -size 32x32 xc:none \
    -fill "$2" -stroke '#202020' -strokewidth 2 -draw 'circle 16,16 16,4' \
    -fill white -stroke none -draw 'circle 16,16 16,12' \
    -colors 16 "GIF:$1"
}

for entry in "${ICONS[@]}"; do
  name=${entry% *}
  colour=${entry##* }
  marker "$OUT/$name.gif" "$colour"
  echo "$OUT/$name.gif"
done
rm -f "$OUT/.gitkeep"

# The application icon as the windows show it in their title bars, rendered
# from data/desktop/tessaro.svg at the sizes title bars and task bars use
# (compiled into the program, so a build tree shows it too).
for size in 16 32 48 64; do
  rsvg-convert -w "$size" -h "$size" -o "data/desktop/tessaro-$size.png" data/desktop/tessaro.svg
  echo "data/desktop/tessaro-$size.png"
done
