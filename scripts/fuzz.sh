#!/usr/bin/env bash
# Fuzzes the picture decoders and the thumbnail path with libFuzzer, under
# AddressSanitizer and UndefinedBehaviorSanitizer, one target after another, each for
# a bounded time (default 60 s):
#   bash scripts/fuzz.sh [seconds] [gif bmp png jpeg thumbnail]
# Each target starts from the test fixtures of its format and every kept regression
# input, and keeps what it learns in build-sanitize/corpus. No input may allocate more
# than 256 MB at once or run longer than 5 s. A finding is left in
# build-sanitize/crashes and fails the script: keep such an input in
# tests/imaging/fixtures/regressions with the outcome it must have once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-60}"
[ $# -gt 0 ] && shift
if [ $# -gt 0 ]; then TARGETS=("$@"); else TARGETS=(gif bmp png jpeg thumbnail); fi

bash scripts/sanitize.sh --build-only
BUILD=build-sanitize
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
mkdir -p "$BUILD/crashes"
status=0
for t in "${TARGETS[@]}"; do
  corpus="$BUILD/corpus/$t"
  seeds="$BUILD/seeds/$t"
  rm -rf "$seeds"
  mkdir -p "$corpus" "$seeds"
  # The thumbnail target reads the format from a first letter before the picture.
  while IFS= read -r -d '' file; do
    extension="${file##*.}"
    extension="${extension,,}"
    [ "$extension" = jpg ] && extension=jpeg
    name="$(basename "$(dirname "$file")")_$(basename "$file")"
    if [ "$t" = thumbnail ]; then
      { printf '%s' "${extension:0:1}"; cat "$file"; } >"$seeds/$name"
    elif [ "$extension" = "$t" ]; then
      cp "$file" "$seeds/$name"
    fi
  done < <(find tests/imaging/fixtures -type f \( -iname '*.gif' -o -iname '*.bmp' -o -iname '*.png' \
             -o -iname '*.jpg' -o -iname '*.jpeg' \) -print0)

  echo "== fuzz_$t for ${SECONDS_EACH}s ($(ls "$seeds" | wc -l) seeds)"
  if ! nice "$BUILD/fuzz/fuzz_$t" "$corpus" "$seeds" -max_total_time="$SECONDS_EACH" -malloc_limit_mb=256 \
      -timeout=5 -artifact_prefix="$BUILD/crashes/${t}_" -print_final_stats=1 2>"$BUILD/fuzz_$t.log"; then
    echo "fuzz_$t found a fault; see $BUILD/fuzz_$t.log and $BUILD/crashes/"
    grep -E '^==[0-9]+==ERROR|^SUMMARY|runtime error|Test unit written' "$BUILD/fuzz_$t.log" | head -5 || true
    status=1
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$BUILD/fuzz_$t.log" | tr '\n' ' ' || true
  echo
done
exit $status
