#!/usr/bin/env bash
# The catalogue as CSV, side by side with sqlite3 on the same data: the export of the
# demo catalogue against "sqlite3 -csv" of the same rows, and the import of that file
# into an empty shop against "sqlite3 .import" of the same file into a plain table.
# The import is also timed on the file without its picture columns, which shows what
# copying one picture per product into the shop costs. Each run is taken three times and
# the median kept; besides the wall-clock time the CPU time (user + system) is shown,
# which says more on a machine shared with other work.
#
# Usage: bash bench/csv_bench.sh [products=50000]
# Builds a Release vendora-cli in build-release/ unless CLI names one.
set -euo pipefail
cd "$(dirname "$0")/.."
PRODUCTS="${1:-50000}"
if [ -z "${CLI:-}" ]; then
  nice cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVENDORA_BUILD_TESTS=OFF \
    -DVENDORA_BUILD_BENCH=OFF >/dev/null
  nice cmake --build build-release -j2 --target vendora-cli >/dev/null
  CLI=build-release/src/cli/vendora-cli
fi
WORK="$(mktemp -d /tmp/vendora-csv-bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
export VENDORA_HOME="$WORK/program" XDG_CONFIG_HOME="$WORK/config"

measure() {  # prints "wall-seconds cpu-seconds peak-kB" of the command
  /usr/bin/time -f "%e %U %S %M" -o "$WORK/time" "$@" >/dev/null 2>"$WORK/stderr" || { cat "$WORK/stderr" >&2; exit 1; }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$WORK/time"
}
median3() {  # runs the set-up (first argument, may be :) and the command three times
  local setup="$1" i
  shift
  for i in 1 2 3; do
    eval "$setup"
    measure "$@"
  done | sort -n -k2 | sed -n 2p
}

echo "creating the demo shop with $PRODUCTS products (3 items each)..."
"$CLI" demo "$WORK/shop" --products "$PRODUCTS" >/dev/null
SHOP="$WORK/shop/Demoshop.mdb"

read -r export_s export_cpu export_kb < <(median3 : "$CLI" export "$SHOP" "$WORK/katalog.csv")
# The same rows as one joined query: every item with its product and category.
QUERY='SELECT c.Name, c."Order", c.Description, c.Include, p.Name, p."Order", p.ShortDesc, p.LongDesc,
  t.Type, t.Rate, x.Name, k1.Name, k2.Name, p.Available, i.ItemNumber, v1.Name, v2.Name, i.Weight,
  i.Shipping, i.MPrice, i.SPrice, i.Available
  FROM Items i JOIN Products p ON p.ID = i.ProductID JOIN Categories c ON c.ID = p.CategoryID
  JOIN TaxesByType t ON t.ID = p.TaxID LEFT JOIN "Index" x ON x.ID = p.IndexID
  JOIN MainAttributes k1 ON k1.ID = p.AttributeID1 JOIN MainAttributes k2 ON k2.ID = p.AttributeID2
  JOIN SubAttributes v1 ON v1.ID = i.SubAttrID1 JOIN SubAttributes v2 ON v2.ID = i.SubAttrID2
  ORDER BY c."Order", c.ID, p."Order", p.ID, i."Order", i.ID;'
read -r sqlexport_s sqlexport_cpu sqlexport_kb < <(median3 : sqlite3 -csv -separator ';' "$SHOP" "$QUERY")
rows=$(sqlite3 "$SHOP" "SELECT COUNT(*) FROM Items;")
bytes=$(stat -c %s "$WORK/katalog.csv")

# The same file without its three picture columns.
python3 - "$WORK/katalog.csv" "$WORK/ohne-bilder.csv" <<'EOF'
import csv, sys
with open(sys.argv[1], newline='', encoding='utf-8-sig') as f, open(sys.argv[2], 'w', newline='', encoding='utf-8-sig') as g:
    rows = csv.reader(f, delimiter=';')
    header = next(rows)
    keep = [i for i, h in enumerate(header) if 'bild' not in h.lower()]
    out = csv.writer(g, delimiter=';', lineterminator='\r\n')
    out.writerow([header[i] for i in keep])
    for r in rows:
        out.writerow([r[i] for i in keep])
EOF

fresh_shop='rm -rf "$WORK/program/Ziel"; "$CLI" new Ziel --yes >/dev/null'
TARGET="$WORK/program/Ziel/Ziel.mdb"
read -r import_s import_cpu import_kb < <(median3 "$fresh_shop" "$CLI" import "$TARGET" "$WORK/katalog.csv")
read -r plain_s plain_cpu plain_kb < <(median3 "$fresh_shop" "$CLI" import "$TARGET" "$WORK/ohne-bilder.csv")
fresh_table='rm -f "$WORK/plain.db"'
read -r sqlimport_s sqlimport_cpu sqlimport_kb < <(median3 "$fresh_table" sqlite3 "$WORK/plain.db" \
  -cmd ".mode csv" -cmd ".separator ;" ".import $WORK/katalog.csv katalog")

mb() { echo "$1/1024" | bc -l; }
ratio() { echo "$1/$2" | bc -l; }
printf '\n%d rows, %.1f MB of CSV; load average %s\n\n' "$rows" "$(echo "$bytes/1048576" | bc -l)" \
  "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-42s %8s %8s %9s\n' "run (median of 3)" "wall s" "CPU s" "peak MB"
row() { printf '%-42s %8.2f %8.2f %9.1f\n' "$1" "$2" "$3" "$(mb "$4")"; }
row "vendora-cli export (with picture links)" "$export_s" "$export_cpu" "$export_kb"
row "sqlite3 -csv of the same rows" "$sqlexport_s" "$sqlexport_cpu" "$sqlexport_kb"
row "vendora-cli import into an empty shop" "$import_s" "$import_cpu" "$import_kb"
row "  the same without the picture columns" "$plain_s" "$plain_cpu" "$plain_kb"
row "sqlite3 .import into a plain table" "$sqlimport_s" "$sqlimport_cpu" "$sqlimport_kb"
printf '\nCPU time: export / sqlite3 -csv %.2fx (aim 2x); import / sqlite3 .import %.2fx, without pictures %.2fx\n' \
  "$(ratio "$export_cpu" "$sqlexport_cpu")" "$(ratio "$import_cpu" "$sqlimport_cpu")" "$(ratio "$plain_cpu" "$sqlimport_cpu")"
printf 'wall time: export %.2fx; import %.2fx, without pictures %.2fx (aim 5x, under 300 MB)\n' \
  "$(ratio "$export_s" "$sqlexport_s")" "$(ratio "$import_s" "$sqlimport_s")" "$(ratio "$plain_s" "$sqlimport_s")"
