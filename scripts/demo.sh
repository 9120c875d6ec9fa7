#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on a demo shop: a fresh
# program folder and settings under build/demo, the German demo shop created there
# (catalogue, pictures, prices, shipping, payment, taxes, texts) and generated. Shows
# the log of the run and the files it wrote, writes the shop's preview pages and
# prints the path of their frame set, then serves the shop on this machine
# ("vendora-cli serve": lighttpd on 127.0.0.1) and prints the address to open, until
# Ctrl-C. With a display, the desktop program opens on the demo shop beside it. With
# --no-serve, or without a terminal (scripts, CI), it stops before serving and prints
# the commands that serve the shop and start the program.
#   bash scripts/demo.sh [--no-serve]
set -euo pipefail
cd "$(dirname "$0")/.."
SERVE=1
for arg in "$@"; do
  case "$arg" in
    --no-serve) SERVE=0 ;;
    *) echo "Aufruf: bash scripts/demo.sh [--no-serve]" >&2; exit 2 ;;
  esac
done
if [ ! -t 0 ] || [ ! -t 1 ]; then SERVE=0; fi
bash scripts/setup.sh run
BUILD_DIR="${BUILD_DIR:-build}"
DEMO="$PWD/$BUILD_DIR/demo"
rm -rf "$DEMO"
export VENDORA_HOME="$DEMO/program" XDG_CONFIG_HOME="$DEMO/config"
CLI="$BUILD_DIR/src/cli/vendora-cli"
"$CLI" demo "$DEMO/shop"
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
ENVIRONMENT="VENDORA_HOME=\"$VENDORA_HOME\" XDG_CONFIG_HOME=\"$XDG_CONFIG_HOME\""
echo
if [ -x "$GUI" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Das Programm öffnet sich mit dem Demo-Shop ..."
  "$GUI" >/dev/null 2>&1 &
elif [ -x "$GUI" ]; then
  echo "Das Programm mit seinem Fenster startet auf einem Bildschirm mit:"
  echo "  $ENVIRONMENT $GUI"
fi
if [ "$SERVE" = 1 ]; then
  echo
  echo "Der Demo-Shop wird jetzt lokal betrieben (lighttpd auf 127.0.0.1); Bestell-E-Mails"
  echo "landen in $DEMO/shop/mail."
  exec "$CLI" serve "$DEMO/shop/Demoshop.mdb"
else
  echo "Den Demo-Shop lokal betreiben (lighttpd auf 127.0.0.1, bis Strg-C):"
  echo "  $ENVIRONMENT $CLI serve \"$DEMO/shop/Demoshop.mdb\""
fi
