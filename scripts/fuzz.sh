#!/usr/bin/env bash
# Fuzzes the picture decoders with libFuzzer and AddressSanitizer, each target for a
# bounded time (default 60 s): bash scripts/fuzz.sh [seconds] [gif bmp png jpeg].
# Corpora start from the test fixtures; a crashing input is left in build-fuzz/crashes
# and the script fails. Keep such inputs in tests/imaging/fixtures/regressions.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-60}"
[ $# -gt 0 ] && shift
if [ $# -gt 0 ]; then TARGETS=("$@"); else TARGETS=(gif bmp png jpeg); fi

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq clang libclang-rt-14-dev
fi

BUILD=build-fuzz
cmake -S . -B "$BUILD" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVENDORA_FUZZ=ON -DVENDORA_BUILD_TESTS=OFF -DVENDORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target $(printf 'fuzz_%s ' "${TARGETS[@]}")

mkdir -p "$BUILD/crashes"
status=0
for t in "${TARGETS[@]}"; do
  corpus="$BUILD/corpus/$t"
  mkdir -p "$corpus"
  case "$t" in jpeg) pattern='*.jp*g' ;; *) pattern="*.$t" ;; esac
  find tests/imaging/fixtures -iname "$pattern" -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  if ! "$BUILD/fuzz/fuzz_$t" "$corpus" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$BUILD/crashes/${t}_" -print_final_stats=1 2>"$BUILD/fuzz_$t.log"; then
    echo "fuzz_$t found a fault; see $BUILD/fuzz_$t.log and $BUILD/crashes/"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$BUILD/fuzz_$t.log" | tail -2 || true
done
exit $status
