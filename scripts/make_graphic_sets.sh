#!/usr/bin/env bash
# Draws the built-in graphic sets into resources/GraphicSets: for each set twelve
# pictures (background tile, divider, find and more-info buttons, eight menu buttons),
# four blank placeholders and the "Settings" file. Deterministic: the same ImageMagick
# gives the same bytes (no time chunks, fixed seeds), so rerunning changes nothing.
#
# Needs ImageMagick 6 (/usr/bin/convert) and the DejaVu fonts (fonts-dejavu-core).
set -euo pipefail
cd "$(dirname "$0")/.."

CONVERT=/usr/bin/convert
FONTS=/usr/share/fonts/truetype/dejavu
BOLD="$FONTS/DejaVuSans-Bold.ttf"
CONDENSED="$FONTS/DejaVuSansCondensed-Bold.ttf"
OUT=resources/GraphicSets
W=120 H=28

[ -x "$CONVERT" ] || { echo "ImageMagick is missing: apt-get install imagemagick" >&2; exit 1; }
[ -f "$BOLD" ] || { echo "DejaVu fonts are missing: apt-get install fonts-dejavu-core" >&2; exit 1; }

# Same bytes on every run: no time stamps or other text chunks in the files.
PNG_OPTS=(-strip -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt -define png:compression-level=9)

# The outline of a button, as a drawing primitive, for the set's shape.
shape() {
  local style=$1 inset=$2
  local r=$((W - 1 - inset)) b=$((H - 1 - inset))
  case $style in
    rounded) echo "roundrectangle $inset,$inset $r,$b 7,7" ;;
    pill) echo "roundrectangle $inset,$inset $r,$b 13,13" ;;
    bevel) local c=$((6 - inset / 2)); echo "polygon $((inset + c)),$inset $((r - c)),$inset $r,$((inset + c)) $r,$((b - c)) $((r - c)),$b $((inset + c)),$b $inset,$((b - c)) $inset,$((inset + c))" ;;
  esac
}

# button FILE LABEL: a gradient body in the set's shape, a gloss fading out over its
# upper half, a thin border, and the label with a soft shadow.
button() {
  local file=$1 label=$2 size=12
  "$CONVERT" -size ${W}x${H} gradient:"$TOP-$BOTTOM" \
    \( -size ${W}x${H} xc:black -fill white -draw "$(shape "$STYLE" 0)" \) \
    -alpha off -compose CopyOpacity -composite \
    \( -size ${W}x${H} xc:"$GLOSS" \
       \( -size ${W}x$((H / 2)) gradient:white-black -size ${W}x$((H - H / 2)) xc:black -append \
          \( -size ${W}x${H} xc:black -fill white -draw "$(shape "$STYLE" 2)" \) \
          -compose Multiply -composite -evaluate multiply "$GLOSS_STRENGTH" \) \
       -alpha off -compose CopyOpacity -composite \) -compose Over -composite \
    -fill none -stroke "$BORDER" -strokewidth 1 -draw "$(shape "$STYLE" 0)" -stroke none \
    -font "$([ ${#label} -gt 11 ] && echo "$CONDENSED" || echo "$BOLD")" -pointsize $size -gravity center \
    -fill "$SHADOW" -annotate +1+1 "$label" -fill "$LABEL" -annotate +0+0 "$label" \
    "${PNG_OPTS[@]}" "PNG32:$file"
}

# divider FILE: a bar that fades out at both ends, with a small ornament in the middle.
divider() {
  local file=$1
  "$CONVERT" -size 480x9 xc:none \
    \( -size 480x3 xc:"$RULE" -alpha set -channel A -fx "sin(pi*i/w)^0.7" +channel \) \
    -geometry +0+3 -compose Over -composite \
    -fill "$ORNAMENT" -stroke "$RULE" -strokewidth 1 -draw "$ORNAMENT_SHAPE" \
    "${PNG_OPTS[@]}" "PNG32:$file"
}

# blank FILE WxH: a transparent stand-in of that size.
blank() {
  "$CONVERT" -size "$2" xc:none "${PNG_OPTS[@]}" "PNG32:$1"
}

# settings DIR: the set's Settings file (CR LF, the set's own format).
settings() {
  local dir=$1
  {
    printf 'Background\tbg.png\r\n'
    printf 'DividerBar\tdiv.png\r\n'
    printf 'BtnFind\tb-find.png\r\n'
    printf 'BtnMoreInfo\tb-view.png\r\n'
    printf 'BtnBuy\tb-buy.png\r\n'
    printf 'BtnBack\tb-back.png\r\n'
    printf 'BtnHome\tb-home.png\r\n'
    printf 'BtnIndex\tb-index.png\r\n'
    printf 'BtnOrder\tb-order.png\r\n'
    printf 'BtnSearch\tb-search.png\r\n'
    printf 'BtnShopCart\tb-shop.png\r\n'
    printf 'BtnStore\tb-store.png\r\n'
    printf 'BgColor\t%s\r\n' "$C_BG"
    printf 'Text\t%s\r\n' "$C_TEXT"
    printf 'HText\t%s\r\n' "$C_HEAD"
    printf 'Link\t%s\r\n' "$C_LINK"
    printf 'ALink\t%s\r\n' "$C_ALINK"
    printf 'VLink\t%s\r\n' "$C_VLINK"
    printf 'BlankLogo\tbl-logo.png\r\n'
    printf 'BlankCat\tbl-cat.png\r\n'
    printf 'BlankHeader\tbl-head.png\r\n'
    printf 'BlankMenu\tbl-menu.png\r\n'
    printf 'ReadOnly\tYes\r\n'
  } >"$dir/Settings"
}

make_set() {
  local dir="$OUT/$1"
  rm -rf "$dir"
  mkdir -p "$dir"
  button "$dir/b-buy.png" "Jetzt kaufen"
  button "$dir/b-back.png" "Zurück"
  button "$dir/b-home.png" "Home"
  button "$dir/b-index.png" "Index"
  button "$dir/b-order.png" "Bestellung"
  button "$dir/b-search.png" "Suchen"
  button "$dir/b-shop.png" "Warenkorb"
  button "$dir/b-store.png" "Shopeingang"
  button "$dir/b-find.png" "Suchen/Finden"
  button "$dir/b-view.png" "Mehr Info"
  divider "$dir/div.png"
  tile "$dir/bg.png"
  blank "$dir/bl-logo.png" 200x60
  blank "$dir/bl-cat.png" ${W}x${H}
  blank "$dir/bl-head.png" 480x60
  blank "$dir/bl-menu.png" ${W}x${H}
  settings "$dir"
}

# --- Senator: ivory paper, navy buttons with a gold rim, burgundy headings ---------
STYLE=rounded TOP='#2E4C86' BOTTOM='#14244A' GLOSS='#FFFFFF' GLOSS_STRENGTH=0.30 BORDER='#C9A545'
LABEL='#FFF8E6' SHADOW='#0A1430'
RULE='#B8923A' ORNAMENT='#F4E7BF' ORNAMENT_SHAPE="polygon 240,0 245,4 240,8 235,4"
C_BG='#FBF8EF' C_TEXT='#1F2A44' C_HEAD='#7A1F2B' C_LINK='#1D4E89' C_ALINK='#B8860B' C_VLINK='#5B3A78'
tile() {  # a fine diagonal lattice, barely darker than the paper
  "$CONVERT" -size 24x24 xc:"$C_BG" -stroke '#F6F1E3' -strokewidth 1 \
    -draw "line 0,0 23,23" -draw "line 0,23 23,0" \
    "${PNG_OPTS[@]}" "PNG8:$1"
}
make_set Senator

# --- Ozean: pale sea, turquoise-to-deep-blue pill buttons, coral hover ------------
STYLE=pill TOP='#2CA6C9' BOTTOM='#0B4F85' GLOSS='#E8FBFF' GLOSS_STRENGTH=0.45 BORDER='#083B66'
LABEL='#FFFFFF' SHADOW='#06324F'
RULE='#1B87B5' ORNAMENT='#E6F4FB' ORNAMENT_SHAPE="circle 240,4 243,4"
C_BG='#F2F8FC' C_TEXT='#12355B' C_HEAD='#0B6E99' C_LINK='#0077B6' C_ALINK='#F26B3A' C_VLINK='#4A5F8C'
tile() {  # two soft wave lines
  "$CONVERT" -size 96x48 xc:"$C_BG" -fill none -stroke '#DCE9F4' -strokewidth 2 \
    -draw "path 'M -1,14 C 24,4 24,4 48,14 S 72,24 97,14'" \
    -draw "path 'M -1,38 C 24,28 24,28 48,38 S 72,48 97,38'" \
    "${PNG_OPTS[@]}" "PNG8:$1"
}
make_set Ozean

# --- Wald: parchment, moss-green bevelled buttons, rust for the active link --------
STYLE=bevel TOP='#5E8C45' BOTTOM='#2F5424' GLOSS='#F3FFE0' GLOSS_STRENGTH=0.30 BORDER='#223D1A'
LABEL='#FBF6E4' SHADOW='#17290F'
RULE='#4F7A3A' ORNAMENT='#DCE8C8' ORNAMENT_SHAPE="ellipse 240,4 8,3 0,360"
C_BG='#F6F4EC' C_TEXT='#2E3B2A' C_HEAD='#3C6E2F' C_LINK='#2F6B3A' C_ALINK='#B5651D' C_VLINK='#6B5B3A'
tile() {  # a quiet grain, like handmade paper
  "$CONVERT" -size 64x64 xc:"$C_BG" -seed 7 -attenuate 0.25 +noise Gaussian -blur 0x0.6 \
    -fill "$C_BG" -colorize 55% "${PNG_OPTS[@]}" "PNG8:$1"
}
make_set Wald

du -sh "$OUT"/*
