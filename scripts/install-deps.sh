#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing for one purpose:
#
#   run      build and run the console with the simulator, on a display or a
#            virtual one (the default)
#   test     build and run every test, with and without the sanitizers, and fuzz
#   format   check the formatting (clang-format 14, the version .clang-format is for)
#   windows  build for Windows with mingw-w64 (and Qt for it), run the tests and
#            the zip under Wine
#   package  build the .deb and start the installed console on a virtual display
set -euo pipefail

purpose=${1:-run}
build=(g++ cmake ninja-build qt6-base-dev)
case "$purpose" in
  run) packages=("${build[@]}" fonts-noto-cjk xvfb xauth xdotool imagemagick) ;;
  # python3 runs the include-layer check.
  test) packages=("${build[@]}" clang-14 libclang-rt-14-dev python3) ;;
  format) packages=(clang-format-14) ;;
  # Also the real Windows build: Qt from source (its configure needs the host Qt
  # tools), the icon (imagemagick), the tests and the zip check under Wine on Xvfb.
  windows) packages=("${build[@]}" qt6-base-dev-tools g++-mingw-w64-x86-64-posix
    gcc-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool imagemagick zip unzip
    fonts-noto-cjk dpkg-dev xz-utils python3) ;;
  # dpkg-shlibdeps (dpkg-dev) and file work out the package's library dependencies.
  package) packages=("${build[@]}" dpkg-dev file xvfb xauth xdotool) ;;
  *)
    echo "usage: $0 [run|test|format|windows|package]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
