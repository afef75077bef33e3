#!/usr/bin/env bash
# Runs inside xvfb-run: starts the console with -auto, answers the first-start
# boxes, waits for the login and the first player count, saves a screenshot.
set -uo pipefail
desk=$1
rundir=$2
shot="$rundir/tolvane-desk.png"
log="$rundir/velmira-sim.log"

"$desk" -auto &
desk_pid=$!

# The boxes of a first start (data directory, sample list, time-signal file) wait
# for OK; press it for them as a game master would.
main_title="トルヴェイン for Velmira"
for _ in $(seq 100); do
  kill -0 "$desk_pid" 2>/dev/null || { echo "the console ended early" >&2; exit 1; }
  ids=$(xdotool search --onlyvisible --name '.' 2>/dev/null || true)
  box=""
  main=""
  for id in $ids; do
    name=$(xdotool getwindowname "$id" 2>/dev/null || true)
    if [ "$name" = "$main_title" ]; then main=$id; elif [ -n "$name" ]; then box=$id; fi
  done
  if [ -n "$box" ]; then
    echo "answering the box \"$(xdotool getwindowname "$box")\" with OK"
    xdotool windowfocus --sync "$box" key --clearmodifiers Return 2>/dev/null || true
    sleep 0.3
    continue
  fi
  [ -n "$main" ] && grep -q 'player count' "$log" 2>/dev/null && break
  sleep 0.2
done

sleep 1.5 # let the status box show the count
import -window root "$shot"
echo "Logged in; the simulator saw:"
grep -E 'login|player count' "$log" | head -n 3
echo "Screenshot of the console after login: $shot"
kill "$desk_pid" 2>/dev/null
wait "$desk_pid" 2>/dev/null
exit 0
