#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer over the whole tree) and runs each one for the given
# number of seconds, on a working copy of its seed corpus so the repository's seeds
# stay as they are. Fails when any target crashes, leaks, times out or breaks a
# property; the input that did it is left in build-fuzz/crashes/.
#
#   scripts/fuzz.sh [seconds-per-target]      (default 60)
set -euo pipefail

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: $0 [seconds-per-target]" >&2
  exit 2
fi

top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
"$top/scripts/install-deps.sh" test

# The fuzz preset: -O1 keeps the runs fast; the Debug configuration keeps Q_ASSERT on.
(cd "$top" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j "$(nproc)")

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=abort_on_error=1

mkdir -p "$build/crashes" "$build/fuzz-logs"
summary=()
failed=0
for source in "$top"/fuzz/fuzz_*.cpp; do
  name=$(basename "$source" .cpp)
  target=${name#fuzz_}
  work="$build/corpus-work/$target"
  log="$build/fuzz-logs/$target.log"
  mkdir -p "$work"
  cp -f "$top/fuzz/corpus/$target"/* "$work/"

  echo "-- $target: ${seconds} s"
  rc=0
  "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$build/crashes/$target-" "$work" >"$log" 2>&1 || rc=$?

  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  if [ "$rc" -eq 0 ]; then
    result=ok
  else
    result="FAILED (exit $rc, log $log)"
    failed=1
    grep -E 'ERROR: |SUMMARY: |runtime error|Test unit written' "$log" | head -n 5 >&2 || true
  fi
  summary+=("$(printf '%-16s runs %10s  exec/s %7s  cov %6s  %s' \
    "$target" "${runs:-?}" "${speed:-?}" "${cov:-?}" "$result")")
done

echo "== Fuzzing summary (${seconds} s per target)"
printf '%s\n' "${summary[@]}"
exit "$failed"
