#!/usr/bin/env bash
# Starts the Windows zip as a game master would: unpacked into a fresh Wine prefix
# with nothing else on the DLL path, velmira-sim.exe first, then tolvane-desk.exe -auto
# with the windows platform plugin on a virtual display. Passes when the simulator
# has seen the login and a player-count request, and when the console program
# tolvane-desk.com does what a script needs: it is a console-subsystem program,
# answers --help, --version and a mistyped option without a display, passes the
# exit status through cmd, writes into a redirected file, hands --say and --status
# to the running console, and starts the window when asked for it. Then the headless
# consoles of two profiles run side by side against two simulators: --list-profiles
# shows both running, --all --say reaches both and a command to one profile only that
# one; a profile's window logs in under its world's title. Keeps a screenshot.
#
#   scripts/check-windows-zip.sh [ZIP]     (default: the newest build-windows/*.zip)
#
# Writes build-windows/zip-check/ (the prefix, the simulator's log) and
# build-windows/zip-check.png. TOLVANE_ZIP_CHECK_RUNS=N starts the console N times
# and prints each start-to-login time (the benchmark uses it).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-windows"
# shellcheck disable=SC2012 # the build's own file names
zip=${1:-$(ls -t "$build"/TolvaneDesk-*-win64.zip 2>/dev/null | head -n 1)}
[ -f "$zip" ] || {
  echo "no zip: run scripts/build-windows.sh first" >&2
  exit 1
}
runs=${TOLVANE_ZIP_CHECK_RUNS:-1}

work="$build/zip-check"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM QT_QPA_FONTDIR
wine wineboot -i >/dev/null 2>&1
wineserver -w
app="$WINEPREFIX/drive_c/TolvaneDesk"
mkdir -p "$app"
unzip -q "$zip" -d "$app"
app=$(echo "$app"/TolvaneDesk-*-win64)

# A loopback address of its own, so a server already on 127.0.0.1:10010 is no bother.
host="127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 1))"
printf '[Velmira]\r\nHostIP=%s\r\n' "$host" >"$app/Tolvane.ini"

display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    display=":$n"
    break
  fi
done
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sim_pid=""
sim_pids=()
# shellcheck disable=SC2317 # run by the EXIT trap
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  for pid in "${sim_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY="$display"
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done

# pe_subsystem FILE: the Subsystem field of a PE file's optional header (2 window,
# 3 console).
pe_subsystem() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
print(struct.unpack_from("<H", data, pe + 24 + 68)[0])
PY
}

status=0
# fail WHAT: notes a failed check and goes on, so one run shows every failure.
fail() {
  echo "FAILED: $*" >&2
  status=1
}
# expect STATUS WHAT COMMAND...: runs COMMAND in the program's folder and checks its
# exit status; its output is left in $work/out.txt.
expect() {
  local want=$1 what=$2 rc=0
  shift 2
  (cd "$app" && "$@") >"$work/out.txt" 2>&1 || rc=$?
  if [ "$rc" = "$want" ]; then
    echo "ok: $what (exit status $rc)"
  else
    fail "$what: exit status $rc, not $want: $(head -c 300 "$work/out.txt")"
  fi
}

[ "$(pe_subsystem "$app/tolvane-desk.com")" = 3 ] || fail "tolvane-desk.com is not a console program"
[ "$(pe_subsystem "$app/tolvane-desk.exe")" = 2 ] || fail "tolvane-desk.exe is not a window program"
echo "ok: subsystems: tolvane-desk.com console (3), tolvane-desk.exe window (2)"
# It needs no display: it does not even load the window library.
if x86_64-w64-mingw32-objdump -p "$app/tolvane-desk.com" | grep -q 'DLL Name: Qt6\(Gui\|Widgets\)'; then
  fail "tolvane-desk.com loads the window library"
fi
# No console runs yet. (Wine itself is started with the display: a Wine desktop
# started without one would keep the window from showing later.)
expect 0 "tolvane-desk.com --help" wine ./tolvane-desk.com --help
grep -q -- '--broadcast LIST' "$work/out.txt" || fail "--help does not list the options"
expect 0 "tolvane-desk.com --version" wine ./tolvane-desk.com --version
grep -q '^tolvane-desk [0-9]' "$work/out.txt" || fail "--version: $(cat "$work/out.txt")"
expect 1 "a mistyped option through cmd" wine cmd /c 'tolvane-desk --sya x'
grep -q 'unknown option --sya' "$work/out.txt" || fail "no word of the unknown option"
expect 2 "--status with no console, through cmd" wine cmd /c 'tolvane-desk --status'

log="$work/velmira-sim.log"
(cd "$app" && exec wine ./velmira-sim.exe --listen "$host" >"$log" 2>&1) &
sim_pid=$!
for _ in $(seq 300); do
  grep -q "$host" "$log" 2>/dev/null && break
  sleep 0.1
done

for run in $(seq "$runs"); do
  : >"$log.mark"
  lines=$(wc -l <"$log")
  start=$(date +%s%N)
  (cd "$app" && exec wine ./tolvane-desk.exe -auto >/dev/null 2>&1) &
  desk=$!
  login="" count=""
  for i in $(seq 600); do
    new=$(tail -n +"$((lines + 1))" "$log")
    # The first start tells in message boxes what it created; OK them as a user would.
    [ -z "$login" ] && [ $((i % 10)) = 0 ] && xdotool key Return 2>/dev/null
    [ -z "$login" ] && grep -q 'accepted' <<<"$new" && login=$(date +%s%N)
    [ -n "$login" ] && grep -q 'players' <<<"$new" && count=1 && break
    sleep 0.05
  done
  if [ -z "$login" ] || [ -z "$count" ]; then
    echo "FAILED: velmira-sim did not see the login and a player-count request" >&2
    cat "$log" >&2
    status=1
    break
  fi
  echo "start to login: $(((login - start) / 1000000)) ms"
  if [ "$run" = "$runs" ]; then
    sleep 2 # the window draws the player count
    import -display "$display" -window root "$build/zip-check.png"
    pid=$(pgrep -f 'tolvane-desk.exe' | head -n 1 || true)
    [ -n "$pid" ] && echo "resident memory of tolvane-desk.exe: $(awk '/VmRSS/ {print $2, $3}' "/proc/$pid/status")"
    # Commands to the running window, as a script types them in the folder.
    rm -f "$app/status.json"
    expect 0 "--status redirected to a file through cmd" \
      wine cmd /c 'tolvane-desk --status > status.json'
    grep -q '"link":"logged_in"' "$app/status.json" 2>/dev/null ||
      fail "status.json holds no status: $(cat "$app/status.json" 2>/dev/null)"
    expect 0 "tolvane-desk.com --say" wine ./tolvane-desk.com --say "zip check $run"
    for _ in $(seq 100); do
      grep -q "zip check $run" "$log" && break
      sleep 0.1
    done
    grep -q "zip check $run" "$log" || fail "velmira-sim did not see the --say line"
  fi
  # Closing the window ends the program as the close box would.
  wine taskkill /im tolvane-desk.exe >/dev/null 2>&1 || true
  for _ in $(seq 100); do
    kill -0 "$desk" 2>/dev/null || break
    sleep 0.1
  done
  kill "$desk" 2>/dev/null || true
  wait "$desk" 2>/dev/null || true
done
# The console program asked for the window starts tolvane-desk.exe and ends.
lines=$(wc -l <"$log")
expect 0 "tolvane-desk.com -auto starts the window" wine ./tolvane-desk.com -auto
for _ in $(seq 600); do
  tail -n +"$((lines + 1))" "$log" | grep -q 'accepted' && break
  sleep 0.05
done
tail -n +"$((lines + 1))" "$log" | grep -q 'accepted' || fail "the window started by tolvane-desk.com did not log in"
wine taskkill /im tolvane-desk.exe >/dev/null 2>&1 || true

# Two worlds side by side: the headless consoles of two profiles, each against a
# simulator of its own on a loopback address of its own, on one port that Wine hands
# to both consoles through the test port variable. Their folders are made by hand
# (the window would make them on its first start), one with a Japanese name.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export TOLVANE_TEST_SERVER_PORT=$port
worlds=("本番" "test 2")
world_hosts=()
world_pids=()
for i in 0 1; do
  world=${worlds[$i]}
  world_host="127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((i + 1))"
  world_hosts+=("$world_host")
  mkdir -p "$app/profiles/$world"
  printf '[Velmira]\r\nHostIP=%s\r\n' "$world_host" >"$app/profiles/$world/Tolvane.ini"
  (cd "$app" && exec wine ./velmira-sim.exe --listen "$world_host" --port "$port" \
    --no-accounts-file >"$work/world-$i-sim.log" 2>&1) &
  sim_pids+=("$!")
done
for i in 0 1; do
  for _ in $(seq 300); do
    grep -q "listening" "$work/world-$i-sim.log" 2>/dev/null && break
    sleep 0.1
  done
  (cd "$app" && exec wine ./tolvane-desk.com --headless --profile "${worlds[$i]}" \
    >"$work/world-$i-console.log" 2>&1) &
  world_pids+=("$!")
done
for i in 0 1; do
  # Not 'players': the simulator's first line says how many it reports.
  for _ in $(seq 600); do
    grep -q 'player count' "$work/world-$i-sim.log" && break
    sleep 0.05
  done
  grep -q 'player count' "$work/world-$i-sim.log" ||
    fail "the headless console of ${worlds[$i]} did not log in: $(head -c 300 "$work/world-$i-console.log")"
done
grep -q "^[0-9-]* [0-9:.]* \[${worlds[0]}\] " "$work/world-0-console.log" ||
  fail "the headless console's lines do not name its profile: $(head -c 300 "$work/world-0-console.log")"
expect 0 "--list-profiles with both running" wine ./tolvane-desk.com --list-profiles
for world in "${worlds[@]}"; do
  grep -q "^$world"$'\t'"running" "$work/out.txt" || fail "--list-profiles: $world is not running: $(cat "$work/out.txt")"
done
expect 0 "--all --say to both profiles" wine ./tolvane-desk.com --all --say "two worlds"
for i in 0 1; do
  for _ in $(seq 100); do
    grep -q "two worlds" "$work/world-$i-sim.log" && break
    sleep 0.1
  done
  grep -q "two worlds" "$work/world-$i-sim.log" || fail "the simulator of ${worlds[$i]} did not see the --all line"
done
expect 0 "a command to one profile" wine ./tolvane-desk.com --profile "${worlds[1]}" --say "one world"
for _ in $(seq 100); do
  grep -q "one world" "$work/world-1-sim.log" && break
  sleep 0.1
done
grep -q "one world" "$work/world-1-sim.log" || fail "the simulator of ${worlds[1]} did not see its line"
grep -q "one world" "$work/world-0-sim.log" && fail "the line for ${worlds[1]} reached ${worlds[0]}"
expect 10 "a second headless console of a running profile" \
  wine ./tolvane-desk.com --headless --profile "${worlds[0]}"
expect 1 "--headless of a profile that does not exist" \
  wine ./tolvane-desk.com --headless --profile nowhere
wine taskkill /f /im tolvane-desk.com >/dev/null 2>&1 || true
for pid in "${world_pids[@]}"; do
  wait "$pid" 2>/dev/null || true
done
# A world's window, as its shortcut starts it, here through tolvane-desk.com, which
# hands the arguments on: it logs in to that world's simulator under the world's title.
lines=$(wc -l <"$work/world-0-sim.log")
expect 0 "tolvane-desk.com --profile -auto starts the profile's window" \
  wine ./tolvane-desk.com --profile "${worlds[0]}" -auto
for _ in $(seq 600); do
  tail -n +"$((lines + 1))" "$work/world-0-sim.log" | grep -q 'accepted' && break
  sleep 0.05
done
tail -n +"$((lines + 1))" "$work/world-0-sim.log" | grep -q 'accepted' ||
  fail "the window of ${worlds[0]} did not log in"
xdotool search --name "^${worlds[0]} - " >/dev/null 2>&1 ||
  fail "no window is titled \"${worlds[0]} - …\""
wine taskkill /im tolvane-desk.exe >/dev/null 2>&1 || true

echo "velmira-sim saw:"
cat "$log"
for i in 0 1; do
  echo "velmira-sim of ${worlds[$i]} (${world_hosts[$i]}:$port) saw:"
  cat "$work/world-$i-sim.log"
done
[ "$status" = 0 ] && echo "zip check passed; screenshot: $build/zip-check.png"
exit "$status"
