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

if [ "$format" = 1 ]; then
  "$top/scripts/check-format.sh"
fi
"$top/scripts/install-deps.sh" test

cd "$top"
# The presets (CMakePresets.json) take TOLVANE_WERROR from the environment.
export TOLVANE_WERROR="$werror"

echo "== Build and test (gcc, warnings as errors: $werror)"
cmake --preset test >/dev/null
cmake --build --preset test -j "$jobs"
ctest --preset test -j "$jobs"

echo "== Build and test (clang, AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== Fuzzing (30 s per target)"
"$top/scripts/fuzz.sh" 30
