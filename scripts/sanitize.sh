#!/usr/bin/env bash
# Builds everything with clang under AddressSanitizer and UndefinedBehaviorSanitizer in
# build-sanitize (the fuzz targets share that build) and runs every test there; the
# first sanitizer report stops the test and fails the run.
#   bash scripts/sanitize.sh [--build-only]
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  bash scripts/setup.sh
fi

BUILD=build-sanitize
LAUNCHER=()
if command -v ccache >/dev/null; then LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVENDORA_SANITIZE=ON -DVENDORA_FUZZ=ON -DVENDORA_BUILD_BENCH=OFF "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
[ "${1:-}" = --build-only ] && exit 0

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)"
