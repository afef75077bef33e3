#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: once with warnings as
# errors, once with AddressSanitizer and UndefinedBehaviorSanitizer (clang), and
# checks the formatting.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" test
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Build and test (gcc, warnings as errors)"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$top/build-test" -j "$jobs"
ctest --test-dir "$top/build-test" --output-on-failure -j "$jobs"

echo "== Build and test (clang, AddressSanitizer + UndefinedBehaviorSanitizer)"
CXX=clang++-14 cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTOLVANE_SANITIZE=ON -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$top/build-asan" --output-on-failure -j "$jobs"

echo "== Fuzzing (30 s per target)"
"$top/scripts/fuzz.sh" 30

echo "== Formatting"
cmake --build "$top/build-test" --target format-check
