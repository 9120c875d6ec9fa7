#!/usr/bin/env bash
# The demo shop served by vendora-cli under lighttpd and ordered from in headless
# Chromium (tests/e2e/shop.test.js). Screenshots go to WORK/screenshots.
#   run_shop.sh VENDORA_CLI WORK
set -euo pipefail
CLI="$1"
WORK="$2"
HERE="$(cd "$(dirname "$0")" && pwd)"
for module in playwright-core axe-core; do
  if [ ! -d "$HERE/node_modules/$module" ]; then
    echo "$module fehlt in $HERE: bash scripts/setup.sh ausführen (npm ci)." >&2
    exit 1
  fi
done
for tool in lighttpd sqlite3 perl; do
  command -v "$tool" >/dev/null || { echo "$tool fehlt: bash scripts/setup.sh ausführen." >&2; exit 1; }
done
rm -rf "$WORK"
mkdir -p "$WORK"
exec node --test-concurrency=1 "$HERE/shop.test.js" "$CLI" "$WORK"
