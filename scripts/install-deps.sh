#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing for a purpose: "run" (build and
# run the console with the simulator, on a display or a virtual one) or "test"
# (build and run every test, with and without the sanitizers).
set -euo pipefail

purpose=${1:-run}
packages=(g++ cmake ninja-build qt6-base-dev fonts-noto-cjk xvfb xauth xdotool imagemagick)
if [ "$purpose" = test ]; then
  packages+=(clang-14 libclang-rt-14-dev clang-format-14)
fi

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
