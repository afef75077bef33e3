#!/usr/bin/env bash
# Compiles, syntax only, every translation unit that has a Windows branch with the
# mingw-w64 cross compiler against the Qt headers, so a typo in the Win32 code fails
# here and not on a Windows desk. Nothing is linked or run.
#
#   scripts/check-windows-compile.sh
#
# The files are found by grep (Q_OS_WIN or _WIN32 in a .cpp, or in a header it
# includes), so new ones are covered. Each is compiled with the defines and include
# directories CMake gives it in the native build; the compiler defines _WIN32, so Qt
# turns Q_OS_WIN on and <windows.h> comes from mingw-w64. TOLVANE_WERROR=ON makes
# warnings errors, as in the native build.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-windows-check"
"$top/scripts/install-deps.sh" windows
cxx=x86_64-w64-mingw32-g++-posix

# The native configuration says which defines and include directories each file gets.
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_BUILD_TESTS=ON \
  -DTOLVANE_BUILD_BENCH=ON -DTOLVANE_BUILD_FUZZ=OFF >/dev/null
commands="$build/compile_commands.json"

flags=(-fsyntax-only -std=c++20 -Wall -Wextra -Wpedantic)
[ "${TOLVANE_WERROR:-OFF}" = ON ] && flags+=(-Werror)

# A file that includes its own moc output ("Foo.moc") would need the native build's
# code generation first; an empty stand-in is enough to check the file's own code.
stubs="$build/moc-stand-ins"
rm -rf "$stubs"
mkdir -p "$stubs"

# args FILE: the -D, -I and -isystem arguments of FILE's native compile command.
args() {
  local line command
  line=$(grep -F -- "-c $1\"," "$commands" || true)
  [ -n "$line" ] || return 1
  # Undo the JSON escaping, then split the command as the shell would.
  command=$(printf '%s\n' "$line" | sed -e 's/^ *"command": "//' -e 's/",$//' \
    -e 's/\\"/"/g' -e 's/\\\\/\\/g')
  local -a words
  eval "words=($command)"
  local i=0 n=${#words[@]}
  while [ "$i" -lt "$n" ]; do
    case "${words[$i]}" in
      -isystem)
        i=$((i + 1))
        # The Linux mkspec's platform header must not stand in for the Windows one.
        case "${words[$i]}" in */mkspecs/*) ;; *) printf '%s\n' -isystem "${words[$i]}" ;; esac
        ;;
      -D* | -I*) printf '%s\n' "${words[$i]}" ;;
    esac
    i=$((i + 1))
  done
}

# The cross compiler must really take the Windows branches.
probe="$build/windows-probe.cpp"
printf '%s\n' '#include <QtGlobal>' '#include <windows.h>' \
  '#if !defined(Q_OS_WIN) || defined(Q_OS_UNIX)' '#error "not a Windows compile"' '#endif' \
  >"$probe"
mapfile -t probe_args < <(args "$top/src/app/main.cpp")
"$cxx" "${flags[@]}" "${probe_args[@]}" "$probe"

cd "$top"
dirs=(src tools tests bench)
mapfile -t files < <(
  {
    grep -rlE --include='*.cpp' 'Q_OS_WIN|_WIN32' "${dirs[@]}" || true
    # Translation units that include a header with a Windows branch.
    { grep -rlE --include='*.h' 'Q_OS_WIN|_WIN32' "${dirs[@]}" || true; } | while read -r header; do
      grep -rlF --include='*.cpp' "$(basename "$header")\"" "${dirs[@]}" || true
    done
  } | sort -u
)
if [ ${#files[@]} -eq 0 ]; then
  echo "no file with a Windows branch found: the search is broken" >&2
  exit 1
fi

# One response file per translation unit, then the compiles run side by side.
rsp="$build/windows-args"
rm -rf "$rsp"
mkdir -p "$rsp"
failed=0
n=0
for file in "${files[@]}"; do
  mapfile -t file_args < <(args "$top/$file")
  if [ ${#file_args[@]} -eq 0 ]; then
    echo "FAILED $file: not part of the native build, so its flags are unknown" >&2
    failed=1
    continue
  fi
  while read -r moc; do
    : >"$stubs/$moc"
  done < <(sed -n 's/^#include "\([^"/]*\.moc\)"/\1/p' "$file")
  n=$((n + 1))
  printf '%s\n' "$file" >"$rsp/$(printf %03d "$n").name"
  printf '%q\n' "${flags[@]}" "${file_args[@]}" -I"$stubs" "$top/$file" >"$rsp/$(printf %03d "$n").rsp"
done

# shellcheck disable=SC2317 # called through xargs
# compile RSP: one cross compile; its messages are shown together when it fails.
compile() {
  local name log
  name=$(cat "${1%.rsp}.name")
  log="${1%.rsp}.log"
  if "$cxx" "@$1" >"$log" 2>&1; then
    echo "ok     $name"
  else
    echo "FAILED $name"
    cat "$log"
    return 1
  fi
}
export -f compile
export cxx
# shellcheck disable=SC2016 # $0 is expanded by the inner shell
find "$rsp" -name '*.rsp' -print0 | sort -z |
  xargs -0 -n 1 -P "$(nproc)" bash -c 'compile "$0"' || failed=1

echo "== Windows compile check (mingw-w64, syntax only): ${#files[@]} files"
exit "$failed"
