#!/usr/bin/env bash
# Start-to-login time of the Windows zip under Wine against velmira-sim.exe: starts
# tolvane-desk.exe -auto N times (default 7) in a fresh prefix through
# scripts/check-windows-zip.sh and prints the median. The first start creates
# TolvaneData and OKs its boxes, so it is reported on its own and left out of the
# median. Times run from the start of wine to velmira-sim's line for the login,
# read every 50 ms.
#
#   bench/windows-zip-startup.sh [RUNS]
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
out=$(TOLVANE_ZIP_CHECK_RUNS="$runs" "$top/scripts/check-windows-zip.sh") || {
  printf "%s\n" "$out" >&2
  exit 1
}
printf '%s\n' "$out" | grep -E '^(start to login|resident memory)'
printf '%s\n' "$out" | sed -n 's/^start to login: \([0-9]*\) ms$/\1/p' | tail -n +2 | sort -n |
  awk '{ v[NR] = $1 } END {
    if (NR == 0) exit 1
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "median start to login after the first start: %d ms (%d runs, %d to %d ms)\n", m, NR, v[1], v[NR]
  }'
