#!/usr/bin/env bash
# Builds the Debian package (Release, cpack -G DEB), installs it with apt-get and
# starts the installed /usr/bin/tolvane-desk -auto once on a virtual display against
# the installed velmira-sim, until the simulator has seen the login accepted.
#
#   scripts/check-package.sh
#
# The package stays installed (apt-get remove tolvane-desk takes it away). The
# session runs as an ordinary user (nobody, when started as root) with a home of
# its own, as a game master would: /usr/bin is not writable then, so the console
# keeps its data in ~/.local/share/TolvaneDesk, which is checked too.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-release"
# The one place the port is written down.
port=$(sed -n 's/.*kServerPort = \([0-9]*\);.*/\1/p' "$top/src/protocol/ServerPort.h")
"$top/scripts/install-deps.sh" package

echo "== Build the package ($build, Release)"
(cd "$top" && cmake --preset release >/dev/null && cmake --build --preset release)
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "expected one .deb in $build, found: ${debs[*]}" >&2
  exit 1
fi
deb=${debs[0]}
dpkg-deb --field "$deb" Package Version Depends Recommends

echo "== Install $(basename "$deb")"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
"${sudo[@]}" apt-get update -qq
# --reinstall: the version stays the same from one build to the next.
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall "$deb"
for f in /usr/bin/tolvane-desk /usr/bin/velmira-sim /usr/share/applications/tolvane-desk.desktop \
  /usr/share/icons/hicolor/256x256/apps/tolvane-desk.png \
  /usr/share/icons/hicolor/64x64/apps/tolvane-desk.png /usr/lib/systemd/user/tolvane-desk.service \
  /usr/lib/systemd/user/tolvane-desk@.service; do
  if ! dpkg -S "$f" >/dev/null 2>&1 || [ ! -e "$f" ]; then
    echo "the package did not install $f" >&2
    exit 1
  fi
done
# The template's lines as systemd reads them (where systemd-analyze is at hand).
if command -v systemd-analyze >/dev/null; then
  systemd-analyze verify --man=no /usr/lib/systemd/user/tolvane-desk@.service
fi

echo "== Start the installed console against the installed velmira-sim"
rundir=$(mktemp -d)
home="$rundir/home"
mkdir -p "$home" "$rundir/tmp" "$rundir/runtime"
chmod 700 "$rundir/runtime"
# The session script is copied: the checkout may be where nobody cannot read.
cp "$top/scripts/headless-session.sh" "$rundir/"
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups)
  chown -R "$(id -u nobody):$(id -g nobody)" "$rundir"
else
  as_user=()
fi
# A home of its own; the single-instance lock private to this run.
session_env=(env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME
  -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" TMPDIR="$rundir/tmp" XDG_RUNTIME_DIR="$rundir/runtime")

sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$rundir"
}
trap cleanup EXIT

# The console always connects to that port: another server there would answer it.
if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
  echo "Port $port is in use by another program; stop it first." >&2
  exit 1
fi

cd "$rundir"
"${as_user[@]}" "${session_env[@]}" /usr/bin/velmira-sim --no-accounts-file \
  >"$rundir/velmira-sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do
  (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || {
    cat "$rundir/velmira-sim.log" >&2
    exit 1
  }
  sleep 0.1
done

"${as_user[@]}" "${session_env[@]}" xvfb-run -a -s "-screen 0 1100x700x24" \
  "$rundir/headless-session.sh" /usr/bin/tolvane-desk "$rundir" \
  --until '^[0-9:.]+  login \(10001\)  \*+ accepted' --no-screenshot

data="$home/.local/share/TolvaneDesk/TolvaneData"
if [ -z "$(ls -A "$data" 2>/dev/null)" ]; then
  echo "the installed console kept no data in $data" >&2
  exit 1
fi
echo "The installed console logged in; its data is in ~/.local/share/TolvaneDesk/TolvaneData."
