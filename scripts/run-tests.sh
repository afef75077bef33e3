#!/usr/bin/env bash
# Installs what is missing, checks the formatting (seconds), then builds and runs
# every test: once with gcc, once with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang), and fuzzes each libFuzzer target for 30 s.
#
#   scripts/run-tests.sh [--no-format]
#
#   --no-format   leave the formatting out (CI checks it before anything else)
#
# Warnings are errors when TOLVANE_WERROR=ON, as in CI; by default they are shown and
# the build goes on, so a newer compiler's new warnings do not stop it.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
format=1
for arg in "$@"; do
  case "$arg" in
    --no-format) format=0 ;;
    *)
      echo "usage: $0 [--no-format]" >&2
      exit 2
      ;;
  esac
done
werror=${TOLVANE_WERROR:-OFF}
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

if [ "$format" = 1 ]; then
  "$top/scripts/check-format.sh"
fi
"$top/scripts/install-deps.sh" test

echo "== Build and test (gcc, warnings as errors: $werror)"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTOLVANE_WERROR="$werror" >/dev/null
cmake --build "$top/build-test" -j "$jobs"
ctest --test-dir "$top/build-test" --output-on-failure -j "$jobs"

echo "== Build and test (clang, AddressSanitizer + UndefinedBehaviorSanitizer)"
CXX=clang++-14 cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTOLVANE_SANITIZE=ON -DTOLVANE_BUILD_BENCH=OFF -DTOLVANE_WERROR="$werror" >/dev/null
cmake --build "$top/build-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$top/build-asan" --output-on-failure -j "$jobs"

echo "== Fuzzing (30 s per target)"
"$top/scripts/fuzz.sh" 30
