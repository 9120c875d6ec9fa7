#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on a demo shop: a fresh
# program folder and settings under build/demo, the German demo shop created there
# (catalogue, pictures, prices, shipping, payment, taxes, texts) and generated. Shows
# the log of the run and the files it wrote, then writes the shop's preview pages and
# prints the path of their frame set (open it in a browser, or run
# "vendora-cli preview SHOP --open"). With a display, the desktop program then opens on
# the demo shop; without one, the command that starts it is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR="${BUILD_DIR:-build}"
DEMO="$PWD/$BUILD_DIR/demo"
rm -rf "$DEMO"
export VENDORA_HOME="$DEMO/program" XDG_CONFIG_HOME="$DEMO/config"
CLI="$BUILD_DIR/src/cli/vendora-cli"
"$CLI" demo "$DEMO/shop"
"$CLI" add "$DEMO/shop/Demoshop.mdb"
"$CLI" generate "$DEMO/shop/Demoshop.mdb"
echo
echo "Erzeugte Dateien in $DEMO/shop:"
(cd "$DEMO/shop" && find data imgs cats prods thumbs lines -type f | sort | head -40 && \
  echo "... $(find data imgs cats prods thumbs lines -type f | wc -l) Dateien")
echo
echo "Anfang von data/product.toc:"
head -c 600 "$DEMO/shop/data/product.toc" | iconv -f CP1252 -t UTF-8
echo
echo
echo "Vorschau des Demo-Shops:"
"$CLI" preview "$DEMO/shop/Demoshop.mdb"

GUI="$BUILD_DIR/src/ui/vendora"
echo
if [ -x "$GUI" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Das Programm öffnet sich mit dem Demo-Shop ..."
  "$GUI"
elif [ -x "$GUI" ]; then
  echo "Das Programm mit seinem Fenster startet auf einem Bildschirm mit:"
  echo "  VENDORA_HOME=\"$VENDORA_HOME\" XDG_CONFIG_HOME=\"$XDG_CONFIG_HOME\" $GUI"
fi
