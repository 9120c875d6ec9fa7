#!/usr/bin/env bash
# Generates the demo shop and checks that the Perl tests' fixture shop has the
# shape of what the program writes (fixture_agreement.pl).
#   fixture_agreement.sh VENDORA_CLI WORK
set -euo pipefail
CLI="$1"
WORK="$2"
HERE="$(cd "$(dirname "$0")" && pwd)"
rm -rf "$WORK"
mkdir -p "$WORK"
export VENDORA_HOME="$WORK/program" XDG_CONFIG_HOME="$WORK/config"
"$CLI" --yes demo "$WORK/shop" >/dev/null
"$CLI" generate "$WORK/shop/Demoshop.mdb" 2>/dev/null
exec perl "$HERE/fixture_agreement.pl" "$HERE/../../src/core/generator/storefront/t/fixtures/shop/data" "$WORK/shop/data"
