#!/usr/bin/env bash
# Starts the Windows zip as a game master would: unpacked into a fresh Wine prefix
# with nothing else on the DLL path, velmira-sim.exe first, then tolvane-desk.exe -auto
# with the windows platform plugin on a virtual display. Passes when the simulator
# has seen the login and a player-count request, and when the console program
# tolvane-desk.com does what a script needs: it is a console-subsystem program,
# answers --help, --version and a mistyped option without a display, passes the
# exit status through cmd, writes into a redirected file, hands --say and --status
# to the running console, and starts the window when asked for it. Keeps a screenshot.
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
# shellcheck disable=SC2317 # run by the EXIT trap
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
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
echo "velmira-sim saw:"
cat "$log"
[ "$status" = 0 ] && echo "zip check passed; screenshot: $build/zip-check.png"
exit "$status"
