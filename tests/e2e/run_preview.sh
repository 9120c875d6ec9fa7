#!/usr/bin/env bash
# Creates the demo shop with vendora-cli, writes its preview pages and opens them in
# headless Chromium (tests/e2e/preview.test.js). Screenshots go to WORK/screenshots.
#   run_preview.sh VENDORA_CLI WORK
set -euo pipefail
CLI="$1"
WORK="$2"
HERE="$(cd "$(dirname "$0")" && pwd)"
if [ ! -d "$HERE/node_modules/playwright-core" ]; then
  echo "playwright-core fehlt in $HERE: bash scripts/setup.sh ausführen (npm ci)." >&2
  exit 1
fi
rm -rf "$WORK/program" "$WORK/config" "$WORK/shop"
mkdir -p "$WORK"
export VENDORA_HOME="$WORK/program" XDG_CONFIG_HOME="$WORK/config"
"$CLI" --yes demo "$WORK/shop"
FRAMESET="$("$CLI" preview "$WORK/shop/Demoshop.mdb")"
test -s "$FRAMESET"
node "$HERE/preview.test.js" "$(dirname "$FRAMESET")" "Gartenwelt Sonnenschein" "$WORK/screenshots"
