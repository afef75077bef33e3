#!/usr/bin/env bash
# Runs inside xvfb-run: starts the console with -auto, answers the first-start
# boxes and waits until the simulator's log (RUNDIR/velmira-sim.log) shows what is
# waited for: by default the first player count, which follows the login.
#
#   headless-session.sh DESK RUNDIR [--until REGEX] [--no-screenshot]
#
# Saves a screenshot of the screen in RUNDIR/tolvane-desk.png unless told not to.
# Fails when the console ends early or the log does not show it within a minute.
set -uo pipefail
desk=$1
rundir=$2
shift 2
until_regex='player count'
screenshot=1
while [ $# -gt 0 ]; do
  case "$1" in
    --until)
      until_regex=$2
      shift
      ;;
    --no-screenshot) screenshot=0 ;;
    *)
      echo "unknown option: $1" >&2
      exit 2
      ;;
  esac
  shift
done
shot="$rundir/tolvane-desk.png"
log="$rundir/velmira-sim.log"

"$desk" -auto &
desk_pid=$!

# The boxes of a first start (data directory, sample list, time-signal file) wait
# for OK; press it for them as a game master would.
main_title="トルヴェイン for Velmira"
seen=0
SECONDS=0
while [ "$SECONDS" -lt 60 ]; do
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
  if [ -n "$main" ] && grep -qE "$until_regex" "$log" 2>/dev/null; then
    seen=1
    break
  fi
  sleep 0.2
done

if [ "$seen" = 0 ]; then
  echo "the simulator's log shows no \"$until_regex\" after ${SECONDS} s:" >&2
  cat "$log" >&2
  kill "$desk_pid" 2>/dev/null
  wait "$desk_pid" 2>/dev/null
  exit 1
fi
echo "Logged in; the simulator saw:"
grep -E 'login|player count' "$log" | head -n 3
if [ "$screenshot" = 1 ]; then
  sleep 1.5 # let the status box show the count
  import -window root "$shot"
  echo "Screenshot of the console after login: $shot"
fi
kill "$desk_pid" 2>/dev/null
wait "$desk_pid" 2>/dev/null
exit 0
