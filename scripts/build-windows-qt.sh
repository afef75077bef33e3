#!/usr/bin/env bash
# Provides Qt 6.4.2 for Windows (x86_64, mingw-w64 with posix threads) and prints its
# prefix on the last line.
#
#   scripts/build-windows-qt.sh
#
# No package registry serves Qt for Windows, so it is cross-built from Debian's own
# qt6-base source package with Debian's mingw-w64 compilers and Debian's Qt host tools.
# The result is kept in a cache folder named after the Qt version and a hash of the
# recipe (the options and the toolchain file), so a second run takes seconds:
#
#   ${XDG_CACHE_HOME:-~/.cache}/tolvane/qt-6.4.2-mingw-<hash>
#
# TOLVANE_WINDOWS_QT=<folder> names a Qt prefix to use instead (nothing is built).
# When ../windows-qt/ beside the checkout (CI keeps a read-only copy there) holds a
# prebuilt archive whose recipe is this script's, it is checked against its SHA256SUMS
# and unpacked instead of building, which saves about an hour on two cores.
# TOLVANE_QT_FROM_SOURCE=1 builds from source even then; TOLVANE_QT_BUILD_TARGETS
# names Qt build targets to build instead of everything (to try the recipe quickly;
# nothing is installed then).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
qt_version=6.4.2
toolchain="$top/cmake/mingw-w64-x86_64.cmake"

# The recipe. The modules the console does not use are off; tablet events need a
# header Debian's source leaves out, and dynamic OpenGL cannot be on with OpenGL off.
options=(
  -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=ON
  -DFEATURE_sql=OFF -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_system_zlib=OFF -DFEATURE_pkg_config=OFF
  -DFEATURE_openssl=OFF -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF
)

if [ -n "${TOLVANE_WINDOWS_QT:-}" ]; then
  if [ ! -f "$TOLVANE_WINDOWS_QT/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    echo "TOLVANE_WINDOWS_QT=$TOLVANE_WINDOWS_QT holds no Qt 6 prefix" >&2
    exit 1
  fi
  echo "$TOLVANE_WINDOWS_QT"
  exit 0
fi

recipe_hash=$({
  echo "$qt_version"
  printf '%s\n' "${options[@]}" | sort
  cat "$toolchain"
} | sha256sum | cut -c1-12)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/tolvane"
prefix="$cache/qt-$qt_version-mingw-$recipe_hash"
stamp="$prefix/.tolvane-complete"

if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

"$top/scripts/install-deps.sh" windows
mkdir -p "$cache"
rm -rf "$prefix"

# recipe_of README: the -D options of the recipe a prebuilt archive's notes give, one
# a line and sorted, without the ones that only say where things are.
# shellcheck disable=SC2016 # the backquotes are the Markdown fence
recipe_of() {
  sed -n '/^```/,/^```/p' "$1" | grep -o -- '-D[A-Za-z_]*=[^ \\]*' |
    grep -vE -- '^-D(CMAKE_TOOLCHAIN_FILE|QT_HOST_PATH|QT_HOST_PATH_CMAKE_DIR|CMAKE_INSTALL_PREFIX)=' |
    sort
}

shared="$top/../shared/windows-qt"
archive="$shared/qt-$qt_version-mingw-w64-x86_64.tar.xz"
if [ "${TOLVANE_QT_FROM_SOURCE:-0}" != 1 ] && [ -f "$archive" ] && [ -f "$shared/SHA256SUMS" ] && [ -f "$shared/README.md" ] &&
  cmp -s "$shared/mingw-w64-x86_64.cmake" "$toolchain" &&
  [ "$(recipe_of "$shared/README.md")" = "$(printf '%s\n' "${options[@]}" | sort)" ]; then
  echo "Unpacking the prebuilt Qt from $archive" >&2
  (cd "$shared" && sha256sum --check --quiet SHA256SUMS) >&2
  partial="$prefix.partial"
  rm -rf "$partial"
  mkdir -p "$partial"
  tar -xJf "$archive" -C "$partial"
  mv "$partial/qt-$qt_version-mingw-w64-x86_64" "$prefix"
  rm -rf "$partial"
  touch "$stamp"
  echo "$prefix"
  exit 0
fi

# From source: Debian's qt6-base source package, the upstream tree inside it without
# Debian's patches. apt-get source needs a deb-src entry for bookworm main.
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
  # The mirror this machine already uses for its packages serves the sources too.
  mirror=$({
    sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null
    sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\) bookworm main.*/\2/p' /etc/apt/sources.list 2>/dev/null
  } | grep -v security | head -n 1)
  if [ -z "$mirror" ]; then
    echo "no Debian mirror in the apt sources to take Qt's source package from" >&2
    exit 1
  fi
  echo "Adding a deb-src entry for bookworm main" >&2
  printf '%s\n' 'Types: deb-src' "URIs: $mirror" 'Suites: bookworm' \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
    "${sudo[@]}" tee /etc/apt/sources.list.d/tolvane-qt-source.sources >/dev/null
  "${sudo[@]}" apt-get update -qq
fi
work="$cache/qt-$qt_version-mingw-$recipe_hash.work"
mkdir -p "$work/source"
src="$work/source/qtbase-everywhere-src-$qt_version"
if [ ! -f "$src/CMakeLists.txt" ]; then
  (
    cd "$work/source"
    apt-get source --download-only qt6-base >&2
    tar -xf qt6-base_"$qt_version"*.orig.tar.xz
  )
fi
if [ ! -f "$work/build/build.ninja" ]; then
  cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >&2
fi
read -ra targets <<<"${TOLVANE_QT_BUILD_TARGETS:-}"
ninja -C "$work/build" "${targets[@]}" >&2
if [ -n "${TOLVANE_QT_BUILD_TARGETS:-}" ]; then
  # A partial build (to try the recipe) installs nothing.
  echo "built only: $TOLVANE_QT_BUILD_TARGETS" >&2
  exit 0
fi
ninja -C "$work/build" install >&2
touch "$stamp"
rm -rf "$work"
echo "$prefix"
