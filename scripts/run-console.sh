#!/usr/bin/env bash
# Builds the console and the simulator, starts velmira-sim on the server port and
# the console with -auto against it. Without a display the session runs on a
# virtual one for a short while and a screenshot of the window is saved.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" run

build="$top/build-release"
(cd "$top" && cmake --preset release >/dev/null && cmake --build --preset release)
# The one place the port is written down.
port=$(sed -n 's/.*kServerPort = \([0-9]*\);.*/\1/p' "$top/src/protocol/ServerPort.h")

rundir="$top/run"
mkdir -p "$rundir"
sim="$build/tools/velmira-sim/velmira-sim"
desk="$build/src/tolvane-desk"

# The console always connects to that port: another server there would answer it.
if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
  echo "Port $port is in use by another program; stop it first." >&2
  exit 1
fi
"$sim" --accounts "$rundir/velmira-accounts.json" >"$rundir/velmira-sim.log" 2>&1 &
sim_pid=$!
cleanup() { kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT
for _ in $(seq 50); do
  (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$rundir/velmira-sim.log"; exit 1; }
  sleep 0.1
done
echo "velmira-sim is listening on 127.0.0.1:$port (log: $rundir/velmira-sim.log)"

# The console reads Tolvane.ini from the directory it starts in.
cd "$rundir"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  tail -n +1 -f "$rundir/velmira-sim.log" &
  tail_pid=$!
  "$desk" -auto || true
  kill "$tail_pid" 2>/dev/null || true
else
  echo "No display here: running the session on a virtual display (Xvfb) for a short while."
  xvfb-run -a -s "-screen 0 1100x700x24" "$top/scripts/headless-session.sh" "$desk" "$rundir"
fi
