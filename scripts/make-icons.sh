#!/usr/bin/env bash
# Makes the placemark icons the program ships, data/save/icon/*.gif: small
# round markers with a dark outline on a transparent background. Run it again
# after changing the list; the GIFs are committed so a build needs no
# ImageMagick.
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
