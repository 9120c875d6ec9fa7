#!/usr/bin/env bash
# The served shop under load: the demo shop with many products, run by "vendora-cli
# serve" (lighttpd + mod_cgi + perl), measured with wrk on the storefront, a category
# page and a detail page; the same three pages saved as static files and served by a
# plain lighttpd are measured alike, and the ratios printed. Aim: category and detail
# page p50 under 50 ms and at least 20 requests per second per core.
#
# Usage: bash bench/storefront_bench.sh [products=50000] [seconds per run=10]
# Builds a Release vendora-cli in $BUILD_DIR (default build-release) first.
set -euo pipefail
cd "$(dirname "$0")/.."
PRODUCTS="${1:-50000}"
DURATION="${2:-10}"
BUILD_DIR="${BUILD_DIR:-build-release}"
command -v wrk >/dev/null || { echo "wrk fehlt: apt-get install wrk" >&2; exit 1; }
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release "${LAUNCHER[@]}" >/dev/null
nice cmake --build "$BUILD_DIR" -j2 --target vendora-cli >/dev/null
CLI="$BUILD_DIR/src/cli/vendora-cli"

WORK="$(mktemp -d /tmp/vendora-storefront-bench.XXXXXX)"
export VENDORA_HOME="$WORK/program" XDG_CONFIG_HOME="$WORK/config"
SERVE_PID="" STATIC_PID=""
cleanup() {
  [ -n "$STATIC_PID" ] && kill "$STATIC_PID" 2>/dev/null && wait "$STATIC_PID" 2>/dev/null
  [ -n "$SERVE_PID" ] && kill -INT "$SERVE_PID" 2>/dev/null && wait "$SERVE_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

echo "creating the demo shop with $PRODUCTS products..."
"$CLI" --yes demo "$WORK/shop" --products "$PRODUCTS" >/dev/null
PORT="$(free_port)"
echo "generating and serving it (vendora-cli serve --port $PORT)..."
"$CLI" serve "$WORK/shop/Demoshop.mdb" --port "$PORT" >"$WORK/serve.out" 2>"$WORK/serve.err" &
SERVE_PID=$!
for _ in $(seq 1 1200); do
  grep -q 'Der Shop läuft unter' "$WORK/serve.out" && break
  kill -0 "$SERVE_PID" 2>/dev/null || { cat "$WORK/serve.err"; exit 1; }
  sleep 0.5
done
grep -q 'Der Shop läuft unter' "$WORK/serve.out" || { echo "serve did not start" >&2; exit 1; }

# A category in the middle of the list and a product far into the product file.
SCRIPT="http://127.0.0.1:$PORT/cgi-bin/catalog.cgi"
DETAIL=$(( PRODUCTS * 3 / 4 ))
while (( (DETAIL - 1) % 17 == 16 )); do DETAIL=$((DETAIL + 1)); done  # the demo withholds every 17th
declare -A URL=(
  [storefront]="$SCRIPT"
  [category]="$SCRIPT?categorypage_4.x=1&categorypage_4.y=1"
  [detail]="$SCRIPT?detailpage_$DETAIL.x=1&detailpage_$DETAIL.y=1"
)
PAGES=(storefront category detail)

# The same pages as static files under a lighttpd of their own.
mkdir -p "$WORK/static"
for page in "${PAGES[@]}"; do
  curl -fsS "${URL[$page]}" -o "$WORK/static/$page.html"  # also the warm-up (offset indexes)
  grep -q '</HTML>' "$WORK/static/$page.html" || { echo "$page: incomplete page" >&2; exit 1; }
done
grep -q "detailpage_$DETAIL\|GW-$(printf '%05d' "$DETAIL")-1" "$WORK/static/detail.html" || {
  echo "detail page of product $DETAIL not shown" >&2; exit 1; }
STATIC_PORT="$(free_port)"
cat >"$WORK/static.conf" <<CONF
server.bind = "127.0.0.1"
server.port = $STATIC_PORT
server.document-root = "$WORK/static"
server.errorlog = "$WORK/static.log"
mimetype.assign = (".html" => "text/html; charset=iso-8859-1")
CONF
/usr/sbin/lighttpd -D -f "$WORK/static.conf" &
STATIC_PID=$!
for _ in $(seq 1 50); do curl -fsS -o /dev/null "http://127.0.0.1:$STATIC_PORT/storefront.html" 2>/dev/null && break; sleep 0.1; done

CORES="$(nproc)"
TICK="$(getconf CLK_TCK)"
# CPU time that a server's finished CGI children used (user + system, in ticks).
child_ticks() { awk '{ print $16 + $17 }' "/proc/$1/stat"; }
LIGHTTPD_PID="$(pgrep -P "$SERVE_PID" lighttpd)"
# wrk with as many connections as cores; prints "p50 p90 p99 (ms) requests/s requests".
measure() {
  nice wrk -t"$CORES" -c"$CORES" -d"${DURATION}s" --latency "$1" | awk '
    function ms(v) { if (v ~ /us$/) return v / 1000; if (v ~ /ms$/) return v + 0; if (v ~ /s$/) return v * 1000; return v }
    $1 == "50%" { p50 = ms($2) } $1 == "90%" { p90 = ms($2) } $1 == "99%" { p99 = ms($2) }
    $1 == "Requests/sec:" { rps = $2 } $2 == "requests" && $3 == "in" { n = $1 }
    END { printf "%.2f %.2f %.2f %.1f %d\n", p50, p90, p99, rps, n }'
}

echo "measuring: $DURATION s per page, $CORES connections, $CORES cores"
printf '\n%-11s | %-35s | %-35s | %s\n' "" "served by the shop (CGI)" "saved as a static file" "CGI / static"
printf '%-11s | %7s %7s %7s %11s | %7s %7s %7s %11s | %7s %9s\n' page p50ms p90ms p99ms req/s p50ms p90ms p99ms req/s p50 req/s
for page in "${PAGES[@]}"; do
  before="$(child_ticks "$LIGHTTPD_PID")"
  read -r c50 c90 c99 crps cn < <(measure "${URL[$page]}")
  cpu_ms="$(echo "($(child_ticks "$LIGHTTPD_PID") - $before) * 1000 / $TICK / $cn" | bc -l)"
  read -r s50 s90 s99 srps sn < <(measure "http://127.0.0.1:$STATIC_PORT/$page.html")
  printf '%-11s | %7.2f %7.2f %7.2f %11.1f | %7.2f %7.2f %7.2f %11.1f | %6.0fx %8.4fx\n' "$page" \
    "$c50" "$c90" "$c99" "$crps" "$s50" "$s90" "$s99" "$srps" \
    "$(echo "$c50 / $s50" | bc -l)" "$(echo "$crps / $srps" | bc -l)"
  printf '%-11s %6.1f req/s per core measured; %5.1f ms CPU per request, so %5.1f req/s per core when the machine is not shared\n' \
    "$page" "$(echo "$crps / $CORES" | bc -l)" "$cpu_ms" "$(echo "1000 / $cpu_ms" | bc -l)" >>"$WORK/per_core"
done
echo
cat "$WORK/per_core"
echo "load average during the run: $(cut -d' ' -f1-3 /proc/loadavg) on $CORES cores"
echo "aim: category and detail p50 under 50 ms, at least 20 req/s per core"
