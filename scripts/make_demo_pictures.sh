#!/usr/bin/env bash
# Draws the demo shop's labelled pictures into resources/DemoShop: a button and a
# heading picture for each of the six categories, a button for each of the two
# product lines, and the logo. The demo shop copies them in, so that its storefront
# names what each button leads to. Deterministic (no time chunks), so rerunning
# changes nothing. The names must follow the demo shop's (src/core/app/demo_shop.cpp).
#
# Needs ImageMagick 6 (/usr/bin/convert) and the DejaVu fonts (fonts-dejavu-core).
set -euo pipefail
cd "$(dirname "$0")/.."

CONVERT=/usr/bin/convert
FONTS=/usr/share/fonts/truetype/dejavu
BOLD="$FONTS/DejaVuSans-Bold.ttf"
CONDENSED="$FONTS/DejaVuSansCondensed-Bold.ttf"
OUT=resources/DemoShop
[ -x "$CONVERT" ] || { echo "ImageMagick is missing: apt-get install imagemagick" >&2; exit 1; }
[ -f "$BOLD" ] || { echo "DejaVu fonts are missing: apt-get install fonts-dejavu-core" >&2; exit 1; }
PNG_OPTS=(-strip -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt -define png:compression-level=9)
mkdir -p "$OUT"

# button FILE LIGHT DARK LABEL: 140x40, a light shade of the tint fading to white, a
# border and the label in the tint's dark shade.
button() {
  local file=$1 light=$2 dark=$3 label=$4
  "$CONVERT" -size 40x140 gradient:"$light-#FFFFFF" -rotate 270 \
    -fill none -stroke "$dark" -strokewidth 1 -draw "roundrectangle 0,0 139,39 6,6" -stroke none \
    -font "$([ ${#label} -gt 11 ] && echo "$CONDENSED" || echo "$BOLD")" -pointsize 13 -gravity center \
    -fill "#FFFFFF" -annotate +1+1 "$label" -fill "$dark" -annotate +0+0 "$label" \
    "${PNG_OPTS[@]}" "PNG24:$file"
}

# heading FILE TINT LABEL: 480x90, white fading into the tint, the name large.
heading() {
  local file=$1 tint=$2 dark=$3 label=$4
  "$CONVERT" -size 90x480 gradient:"#FFFFFF-$tint" -rotate 270 \
    -font "$BOLD" -pointsize 34 -gravity west \
    -fill "#FFFFFF" -annotate +22+2 "$label" -fill "$dark" -annotate +20+0 "$label" \
    -strip -quality 85 "$file"
}

# Category tints as in the demo shop, with a darker shade for the text.
categories=("Gartenwerkzeug" "Pflanzen & Samen" "Gartenmöbel" "Bewässerung" "Dekoration" "Grillzubehör")
tints=("#2E7D32" "#795548" "#0277BD" "#EF6C00" "#6A1B9A" "#C62828")
lights=("#A5D6A7" "#D7CCC8" "#81D4FA" "#FFCC80" "#CE93D8" "#EF9A9A")
darks=("#1B4D1E" "#4E342E" "#01497A" "#8A3E00" "#3F1060" "#7A1818")
for i in "${!categories[@]}"; do
  n=$((i + 1))
  button "$OUT/category-$n.png" "${lights[$i]}" "${darks[$i]}" "${categories[$i]}"
  heading "$OUT/heading-$n.jpg" "${tints[$i]}" "${darks[$i]}" "${categories[$i]}"
done
lines=("Sommerangebote" "Für Profis")
for i in "${!lines[@]}"; do
  button "$OUT/line-$((i + 1)).png" "#FFD54F" "#6D4C00" "${lines[$i]}"
done

# The logo: a sun over the shop's name.
"$CONVERT" -size 60x200 gradient:"#2E7D32-#FFEB3B" -rotate 270 \
  -fill "#FFF59D" -stroke "#F9A825" -strokewidth 2 -draw "circle 32,30 32,14" -stroke none \
  -font "$BOLD" -pointsize 17 -gravity west \
  -fill "#1B4D1E" -annotate +60-9 "Gartenwelt" -annotate +60+11 "Sonnenschein" \
  "${PNG_OPTS[@]}" "PNG24:$OUT/logo.png"
echo "Pictures written to $OUT"
