#!/usr/bin/env bash
# Draws the program icon into resources/icons: a shop awning over a "V" on a rounded
# blue square, at 256, 128, 64 and 48 pixels. Deterministic like the graphic sets.
#
# Needs ImageMagick 6 (/usr/bin/convert) and the DejaVu fonts (fonts-dejavu-core).
set -euo pipefail
cd "$(dirname "$0")/.."

CONVERT=/usr/bin/convert
BOLD=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
OUT=resources/icons
PNG_OPTS=(-strip -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt -define png:compression-level=9)

[ -x "$CONVERT" ] || { echo "ImageMagick is missing: apt-get install imagemagick" >&2; exit 1; }
mkdir -p "$OUT"

# The awning: five scallops, alternately red and white, over the full width.
awning=()
for i in 0 1 2 3 4; do
  x0=$((28 + i * 40)); x1=$((x0 + 40))
  if (( i % 2 == 0 )); then colour='#d9413a'; else colour='#ffffff'; fi
  awning+=(-fill "$colour" -draw "rectangle $x0,52 $x1,96" -draw "circle $((x0 + 20)),96 $((x0 + 20)),116")
done

"$CONVERT" -size 256x256 xc:none \
  -fill '#1f5fa8' -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill '#2f78c8' -draw 'roundrectangle 8,8 247,150 40,40' \
  -fill '#174a85' -draw 'rectangle 28,40 228,54' \
  "${awning[@]}" \
  -fill '#ffffff' -draw 'roundrectangle 52,128 204,226 10,10' \
  -font "$BOLD" -pointsize 96 -fill '#1f5fa8' -gravity north -annotate +0+124 'V' \
  "${PNG_OPTS[@]}" "$OUT/vendora.png"

for size in 128 64 48; do
  "$CONVERT" "$OUT/vendora.png" -filter Lanczos -resize ${size}x${size} "${PNG_OPTS[@]}" "$OUT/vendora-$size.png"
done
