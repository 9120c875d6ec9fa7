#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on a demo shop: a fresh
# program folder and settings under build/demo, a new shop "Demo" created there,
# opened and shown with its tables and the rows the program puts into every shop.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR="${BUILD_DIR:-build}"
DEMO="$PWD/$BUILD_DIR/demo"
rm -rf "$DEMO"
export VENDORA_HOME="$DEMO/program" XDG_CONFIG_HOME="$DEMO/config"
CLI="$BUILD_DIR/src/cli/vendora-cli"
"$CLI" new Demo
"$CLI" shops
"$CLI" open "$VENDORA_HOME/Demo/Demo.mdb"
