#!/usr/bin/env bash
# Builds the benchmarks (Release, in build-bench), runs every one of them and
# prints a markdown table of the figures against their targets.
#
#   scripts/bench.sh [--quick]
#
#   --quick   shorter runs: 10 s of idle CPU and 10 s of time-signal lateness
#
# Each benchmark's whole output is kept in build-bench/bench-logs/. The start-up
# benchmark needs the server port free (the console always connects there).
# "met?" judges the worst figure of a measure (max, worst deviation), not the median.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-bench"
quick=0
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    -h | --help)
      sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      echo "unknown option: $arg (try --help)" >&2
      exit 2
      ;;
  esac
done
seconds=60
[ "$quick" = 1 ] && seconds=10

export QT_QPA_PLATFORM=offscreen

echo "== Build ($build, Release)"
(cd "$top" && cmake --preset bench >/dev/null && cmake --build --preset bench)

logs="$build/bench-logs"
mkdir -p "$logs"
rows=()
failed=0

# run LOG NAME ARGS...: runs one benchmark, shows its output as it goes and keeps
# it in bench-logs/LOG.log.
run() {
  local log=$1 name=$2
  shift 2
  echo
  echo "== $name $*"
  set +e
  "$build/bench/$name" "$@" 2>&1 | tee "$logs/$log.log"
  local rc=${PIPESTATUS[0]}
  set -e
  if [ "$rc" != 0 ]; then
    echo "($name ended with exit status $rc)"
    failed=1
  fi
}

# summary NAME PREFIX: the benchmark's summary line that starts with PREFIX.
summary() {
  grep -a -m1 "^$2" "$logs/$1.log" || true
}

# field LINE REGEX: the first number after REGEX in LINE.
field() {
  printf '%s\n' "$1" | sed -n "s/.*$2 \([0-9][0-9.]*\).*/\1/p"
}

# shellcheck disable=SC2317 # called through verdict
# below VALUE LIMIT: exit status 0 when VALUE < LIMIT (or <= with a third argument "or-equal").
below() {
  awk -v v="$1" -v l="$2" -v e="${3:-}" 'BEGIN { exit !(e == "or-equal" ? v <= l : v < l) }'
}

# row MEASURE RESULT TARGET MET
row() {
  rows+=("| $1 | $2 | $3 | $4 |")
}

missing() {
  local why
  why=$(grep -a -v '^QStandardPaths' "$logs/$2.log" | tail -n 1)
  row "$1" "not measured: ${why:-no output} (see bench-logs/$2.log)" "$3" "—"
}

verdict() {
  if "$@"; then echo yes; else echo "**no**"; fi
}

run BenchStartup BenchStartup --idle-seconds "$seconds"
run BenchAccountListFill BenchAccountListFill
run BenchPacing BenchPacing
# The same with the server reading on a thread of its own, as a remote server would.
run BenchPacing-thread BenchPacing --server-thread
run BenchTimeSignalLateness BenchTimeSignalLateness --seconds "$seconds"
run BenchLinkRecovery BenchLinkRecovery
run BenchCommand BenchCommand --idle-seconds "$seconds"
run BenchScheduleEdit BenchScheduleEdit
run BenchProfiles BenchProfiles

line=$(summary BenchStartup "start-up to login frame:")
if [ -n "$line" ]; then
  med=$(field "$line" "median")
  max=$(field "$line" "max")
  row "start-up to login frame (-auto)" "median $med ms, max $max ms" "< 300 ms" \
    "$(verdict below "$max" 300)"
else
  missing "start-up to login frame (-auto)" BenchStartup "< 300 ms"
fi

line=$(summary BenchStartup "resident memory after login:")
if [ -n "$line" ]; then
  mb=$(field "$line" "login:")
  row "resident memory after login" "$mb MB" "< 80 MB" "$(verdict below "$mb" 80)"
else
  missing "resident memory after login" BenchStartup "< 80 MB"
fi

line=$(summary BenchStartup "idle CPU over")
if [ -n "$line" ]; then
  span=$(field "$line" "over")
  pct=$(printf '%s\n' "$line" | sed -n 's/.*: \([0-9][0-9.]*\) %.*/\1/p')
  row "idle CPU over $span s, logged in" "$pct % of one core" "< 0.5 %" \
    "$(verdict below "$pct" 0.5)"
else
  missing "idle CPU, logged in" BenchStartup "< 0.5 %"
fi

line=$(summary BenchAccountListFill "account list fill")
if [ -n "$line" ]; then
  label=$(printf '%s\n' "$line" | sed 's/:.*//')
  med=$(field "$line" "median")
  max=$(field "$line" "max")
  row "$label" "median $med ms, max $max ms" "< 100 ms" "$(verdict below "$max" 100)"
else
  missing "account list fill" BenchAccountListFill "< 100 ms"
fi

pacing_row() {
  local log=$1 prefix=$2 label=$3 line mean worst count
  line=$(summary "$log" "$prefix")
  if [ -n "$line" ]; then
    mean=$(field "$line" "mean")
    worst=$(field "$line" "deviation")
    count=$(field "$line" "over")
    row "$label ($count intervals)" "mean $mean ms, worst deviation $worst ms" \
      "1500 ± 5 ms each" "$(verdict below "$worst" 5 or-equal)"
  else
    missing "$label" "$log" "1500 ± 5 ms each"
  fi
}
pacing_row BenchPacing "pacing:" "broadcast pacing, one event loop"
pacing_row BenchPacing-thread "pacing (server thread):" "broadcast pacing, server on its own thread"

line=$(summary BenchTimeSignalLateness "time-signal lateness:")
if [ -n "$line" ]; then
  mean=$(field "$line" "mean")
  max=$(field "$line" "max")
  row "time-signal lateness ($seconds s)" "mean $mean ms, max $max ms" "< 310 ms" \
    "$(verdict below "$max" 310)"
else
  missing "time-signal lateness" BenchTimeSignalLateness "< 310 ms"
fi

# max_row LOG PREFIX AFTER LABEL UNIT LIMIT: the number after "AFTER ... max" in the
# summary line, judged against LIMIT.
max_row() {
  local line max
  line=$(summary "$1" "$2")
  if [ -n "$line" ]; then
    max=$(printf '%s\n' "$line" | sed -n "s/.*$3[^;]*max \([0-9.]*\) $5.*/\1/p")
    row "$4" "max $max $5" "< $6 $5" "$(verdict below "$max" "$6")"
  else
    missing "$4" "$1" "< $6 $5"
  fi
}
max_row BenchLinkRecovery "SUMMARY restart:" "after the next attempt" \
  "server restarted: logged in after the attempt that finds it" ms 1000
max_row BenchLinkRecovery "SUMMARY silent:" "after falling silent" \
  "silent server: declared lost after falling silent" s 16

line=$(summary BenchLinkRecovery "SUMMARY broadcast:")
if [ -n "$line" ]; then
  lost=$(field "$line" "lost")
  repeated=$(field "$line" "repeated")
  worst=$(field "$line" "deviation")
  ok=no
  below "$lost" 1 && below "$repeated" 1 or-equal && below "$worst" 5 or-equal && ok=yes
  row "20-line broadcast across a server restart" \
    "lost $lost, repeated $repeated, worst deviation $worst ms" \
    "0 lost, ≤ 1 repeated, 1500 ± 5 ms" "$([ "$ok" = yes ] && echo yes || echo "**no**")"
else
  missing "broadcast across a restart" BenchLinkRecovery "0 lost, ≤ 1 repeated"
fi

line=$(summary BenchCommand "command round trip")
if [ -n "$line" ]; then
  row "command round trip (--say start to the line at the server)" \
    "median $(field "$line" "median") ms, max $(field "$line" "max") ms" "—" "—"
else
  missing "command round trip" BenchCommand "—"
fi
line=$(summary BenchCommand "headless console, logged in:")
if [ -n "$line" ]; then
  row "headless console: resident memory, idle CPU" \
    "$(field "$line" "memory") MB, $(printf '%s\n' "$line" | sed -n 's/.* s \([0-9.]*\) %.*/\1/p') % of one core" \
    "—" "—"
else
  missing "headless console" BenchCommand "—"
fi

schedule_row() {
  local line
  line=$(summary BenchScheduleEdit "hand edit of TimeSignal.cfg to the schedule in use, $1")
  if [ -n "$line" ]; then
    row "TimeSignal.cfg edited by hand ($1) to the headless console's scheduler holding it" \
      "median $(field "$line" "median") ms, max $(field "$line" "max") ms" "—" "—"
  else
    missing "TimeSignal.cfg edited by hand ($1)" BenchScheduleEdit "—"
  fi
}
schedule_row "file replaced"
schedule_row "written in place"

for count in 1 2 8; do
  line=$(summary BenchProfiles "--all --say to $count headless console")
  if [ -n "$line" ]; then
    row "--all --say to $count headless console$([ "$count" = 1 ] || echo s) (start to the line at the last server)" \
      "median $(field "$line" "runs): median") ms, max $(field "$line" "max") ms" "—" "—"
  else
    missing "--all --say to $count headless consoles" BenchProfiles "—"
  fi
done
line=$(summary BenchProfiles "resident memory of 8 headless consoles")
if [ -n "$line" ]; then
  row "8 headless consoles, logged in: resident memory" \
    "median $(field "$line" "median") MB each, total $(field "$line" "total") MB, $(field "$line" "once,") MB with the shared pages counted once" \
    "—" "—"
else
  missing "8 headless consoles: resident memory" BenchProfiles "—"
fi
line=$(summary BenchProfiles "window of a second profile")
if [ -n "$line" ]; then
  row "window of a second profile while the first runs (start to the login frame)" \
    "median $(field "$line" "frame median") ms, max $(field "$line" "frame median [0-9.]* ms, max") ms" \
    "—" "—"
else
  missing "window of a second profile" BenchProfiles "—"
fi

echo
echo "| measure | result | target | met? |"
echo "|---|---|---|---|"
printf '%s\n' "${rows[@]}"
exit "$failed"
