#!/usr/bin/env bash
# Starts the Windows zip as a game master would: unpacked into a fresh Wine prefix
# with nothing else on the DLL path, velmira-sim.exe first, then tolvane-desk.exe -auto
# with the windows platform plugin on a virtual display. Passes when the simulator
# has seen the login and a player-count request; keeps a screenshot.
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

log="$work/velmira-sim.log"
(cd "$app" && exec wine ./velmira-sim.exe --listen "$host" >"$log" 2>&1) &
sim_pid=$!
for _ in $(seq 300); do
  grep -q "$host" "$log" 2>/dev/null && break
  sleep 0.1
done

status=0
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
echo "velmira-sim saw:"
cat "$log"
[ "$status" = 0 ] && echo "zip check passed; screenshot: $build/zip-check.png"
exit "$status"
