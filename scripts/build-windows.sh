#!/usr/bin/env bash
# Builds the console for Windows on Debian and packs the zip a game master unpacks
# and runs; prints the zip's path on its last line.
#
#   scripts/build-windows.sh [--test] [--check-zip]
#
#   --test       also run every test under Wine (ctest --preset windows)
#   --check-zip  also start the zip's programs in a fresh Wine prefix
#                (scripts/check-windows-zip.sh)
#
# Qt for Windows comes from scripts/build-windows-qt.sh (its cache, the shared
# prebuilt archive, or an hour's build from Debian's source). The zip holds the
# programs (the window, its console companion and the simulator), the Qt DLLs and plugins they load, the mingw-w64 runtime DLLs and
# はじめに.txt: nothing else is needed on the Windows machine.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
test=0
check=0
for arg in "$@"; do
  case "$arg" in
    --test) test=1 ;;
    --check-zip) check=1 ;;
    *)
      echo "usage: $0 [--test] [--check-zip]" >&2
      exit 2
      ;;
  esac
done

"$top/scripts/install-deps.sh" windows
TOLVANE_WINDOWS_QT=$("$top/scripts/build-windows-qt.sh" | tail -n 1)
export TOLVANE_WINDOWS_QT

cd "$top"
build="$top/build-windows"
cmake --preset windows -DTOLVANE_WERROR="${TOLVANE_WERROR:-ON}" >/dev/null
cmake --build --preset windows
if [ "$test" = 1 ]; then
  ctest --preset windows
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name="TolvaneDesk-$version-win64"
stage="$build/zip/$name"
rm -rf "$build/zip"
mkdir -p "$stage/platforms" "$stage/styles"
# tolvane-desk.com is the console program for scripts (commands, --headless, --help):
# "tolvane-desk" typed in the folder runs it rather than the window program.
cp "$build/src/tolvane-desk.exe" "$build/src/tolvane-desk.com" \
  "$build/tools/velmira-sim/velmira-sim.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage"/*.exe "$stage"/*.com
for dll in Qt6Core Qt6Gui Qt6Network Qt6Widgets; do
  cp "$TOLVANE_WINDOWS_QT/bin/$dll.dll" "$stage/"
done
cp "$TOLVANE_WINDOWS_QT/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$TOLVANE_WINDOWS_QT/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
# The mingw-w64 runtime, from Debian's compiler packages.
cxx=x86_64-w64-mingw32-g++-posix
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$(realpath "$($cxx -print-file-name=$dll)")" "$stage/"
done
# Debian's DLLs carry their symbols; the zip needs none of them.
find "$stage" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
# Notepad reads UTF-8 with a byte order mark on every Windows version; CR LF ends lines.
{
  printf '\xef\xbb\xbf'
  sed 's/$/\r/' "$top/resources/windows/はじめに.txt"
} >"$stage/はじめに.txt"

zip="$build/$name.zip"
rm -f "$zip"
# Python's zipfile marks the Japanese file name as UTF-8 (flag bit 11), which Windows'
# own unpacker reads; Info-ZIP's zip only adds an extra field that it ignores.
(cd "$build/zip" && python3 - "$zip" "$name" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for root, dirs, files in os.walk(sys.argv[2]):
        dirs.sort()
        for f in sorted(files):
            z.write(os.path.join(root, f))
PY
)

if [ "$check" = 1 ]; then
  "$top/scripts/check-windows-zip.sh" "$zip"
fi
echo "$zip"
