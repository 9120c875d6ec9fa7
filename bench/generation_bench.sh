#!/usr/bin/env bash
# Generates the demo shop with many products: the first run makes every thumbnail, the
# forced runs after it (nothing changed) rewrite the data files. The yardstick is
# sqlite3 exporting the same Products and Items rows to CSV. On a shared machine only
# ratios taken side by side mean something: regenerations and exports alternate in
# pairs and the median of the pairs' ratios is printed.
#
# Prints: the ratio (aim: within 2.5x of the export), peak memory of the runs at
# PRODUCTS and at LARGE products (aim: under 200 MB at 100,000), and the first run's
# CPU use, user + system time over wall time (aim: every core busy).
#
# Usage: bash bench/generation_bench.sh [products=50000] [large=100000 (0: skip)] [pairs=7]
#        (after building: build/src/cli/vendora-cli; CLI=... for another build)
set -euo pipefail
cd "$(dirname "$0")/.."
PRODUCTS="${1:-50000}"
LARGE="${2:-100000}"
PAIRS="${3:-7}"
CLI="${CLI:-build/src/cli/vendora-cli}"
WORK="$(mktemp -d /tmp/vendora-generation-bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
export VENDORA_HOME="$WORK/program" XDG_CONFIG_HOME="$WORK/config"

measure() {  # prints "wall user system peak-kB" of the command
  /usr/bin/time -f "%e %U %S %M" -o "$WORK/time" "$@" >/dev/null 2>"$WORK/stderr" || { cat "$WORK/stderr"; exit 1; }
  cat "$WORK/time"
}
mb() { echo "$1/1024" | bc -l; }
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# Makes a shop of $1 products in $2 and generates it once; prints the first run's
# "wall user system peak-kB".
first_run() {
  measure "$CLI" demo "$2" --products "$1" >/dev/null
  measure "$CLI" generate "$2/Demoshop.mdb"
}

echo "demo shop with $PRODUCTS products (3 items each, at most 2000 distinct pictures), first generation..."
read -r first_s first_u first_sys first_kb < <(first_run "$PRODUCTS" "$WORK/shop")
DB="$WORK/shop/Demoshop.mdb"

echo "$PAIRS pairs of one forced regeneration and one sqlite3 export..."
: >"$WORK/pairs"
for ((i = 0; i < PAIRS; i++)); do
  read -r gen_s _ _ gen_kb < <(measure "$CLI" generate --force "$DB")
  read -r exp_s _ _ _ < <(measure sqlite3 -csv "$DB" "SELECT * FROM Products;" "SELECT * FROM Items;")
  echo "$gen_s $exp_s $gen_kb $(echo "$gen_s/$exp_s" | bc -l)" >>"$WORK/pairs"
done
ratio=$(cut -d' ' -f4 "$WORK/pairs" | median)
gen_median=$(cut -d' ' -f1 "$WORK/pairs" | median)
exp_median=$(cut -d' ' -f2 "$WORK/pairs" | median)
gen_peak=$(cut -d' ' -f3 "$WORK/pairs" | sort -n | tail -1)

if [ "$LARGE" -gt 0 ]; then
  echo "demo shop with $LARGE products, first generation and one forced regeneration..."
  read -r _ _ _ large_first_kb < <(first_run "$LARGE" "$WORK/large")
  rm -rf "$WORK/shop"  # room on the disk
  read -r _ _ _ large_kb < <(measure "$CLI" generate --force "$WORK/large/Demoshop.mdb")
fi

printf '\n%-46s %9s %10s %12s\n' "run" "seconds" "CPU use" "peak MB"
printf '%-46s %9.2f %9.2fx %12.1f\n' "first generation, $PRODUCTS products" "$first_s" \
  "$(echo "($first_u+$first_sys)/$first_s" | bc -l)" "$(mb "$first_kb")"
printf '%-46s %9.2f %10s %12.1f\n' "forced regeneration (median; peak: highest)" "$gen_median" "" "$(mb "$gen_peak")"
printf '%-46s %9.2f\n' "sqlite3 CSV export (median)" "$exp_median"
if [ "$LARGE" -gt 0 ]; then
  printf '%-46s %9s %10s %12.1f\n' "first generation, $LARGE products" "" "" "$(mb "$large_first_kb")"
  printf '%-46s %9s %10s %12.1f\n' "forced regeneration, $LARGE products" "" "" "$(mb "$large_kb")"
fi
printf '\nregeneration / export: %.2fx (median of %d alternating pairs; aim: within 2.5x)\n' "$ratio" "$PAIRS"
printf 'first generation: CPU use %.2f of %d cores (user + system over wall time; aim: every core)\n' \
  "$(echo "($first_u+$first_sys)/$first_s" | bc -l)" "$(nproc)"
