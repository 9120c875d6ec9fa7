#!/usr/bin/env bash
# Generates the demo shop with many products twice: the first run makes every
# thumbnail, the second (forced, nothing changed) rewrites the data files. Prints both
# times and peak memory, and times sqlite3 exporting the same Products and Items rows
# to CSV as a yardstick of the data volume.
#
# Usage: bash bench/generation_bench.sh [products=50000]   (after building: build/src/cli/vendora-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
PRODUCTS="${1:-50000}"
CLI="${CLI:-build/src/cli/vendora-cli}"
WORK="$(mktemp -d /tmp/vendora-generation-bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
export VENDORA_HOME="$WORK/program" XDG_CONFIG_HOME="$WORK/config"

measure() {  # prints "seconds peak-kB" of the command
  /usr/bin/time -f "%e %M" -o "$WORK/time" "$@" >/dev/null 2>"$WORK/stderr" || { cat "$WORK/stderr"; exit 1; }
  cat "$WORK/time"
}

echo "creating the demo shop with $PRODUCTS products (3 items each, at most 2000 pictures)..."
read -r make_s make_kb < <(measure "$CLI" demo "$WORK/shop" --products "$PRODUCTS")
read -r first_s first_kb < <(measure "$CLI" generate "$WORK/shop/Demoshop.mdb")
# The short runs are taken three times each and the median kept: one sample of a
# second or less says little on a shared machine.
median3() {  # runs the command three times; prints the median "seconds peak-kB"
  local i
  for i in 1 2 3; do measure "$@"; done | sort -n | sed -n 2p
}
read -r second_s second_kb < <(median3 "$CLI" generate --force "$WORK/shop/Demoshop.mdb")
read -r export_s export_kb < <(median3 sqlite3 -csv "$WORK/shop/Demoshop.mdb" \
  "SELECT * FROM Products;" "SELECT * FROM Items;")

printf '\n%-40s %9s %12s\n' "run" "seconds" "peak MB"
printf '%-40s %9.2f %12.1f\n' "demo shop created" "$make_s" "$(echo "$make_kb/1024" | bc -l)"
printf '%-40s %9.2f %12.1f\n' "first generation (thumbnails made)" "$first_s" "$(echo "$first_kb/1024" | bc -l)"
printf '%-40s %9.2f %12.1f\n' "second generation (forced, median of 3)" "$second_s" "$(echo "$second_kb/1024" | bc -l)"
printf '%-40s %9.2f %12.1f\n' "sqlite3 CSV export (median of 3)" "$export_s" "$(echo "$export_kb/1024" | bc -l)"
printf '\nsecond generation / export: %.2fx   (aim: within 3x of the export, under 200 MB peak)\n' \
  "$(echo "$second_s/$export_s" | bc -l)"
