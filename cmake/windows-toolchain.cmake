# Cross-builds the console for Windows (x86_64) with mingw-w64 against the Qt that
# scripts/build-windows-qt.sh provides. The mingw toolchain searches only its own
# sysroot, so the Qt prefix goes on the find root path as well as the prefix path.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)

# The Qt prefix: TOLVANE_WINDOWS_QT, else the script's cache (built or unpacked on the
# first configure). The environment carries it into the try-compile projects, which
# read this file again.
if(NOT DEFINED ENV{TOLVANE_WINDOWS_QT} OR "$ENV{TOLVANE_WINDOWS_QT}" STREQUAL "")
  execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/build-windows-qt.sh
                  OUTPUT_VARIABLE _tolvane_qt_out RESULT_VARIABLE _tolvane_qt_rc)
  if(NOT _tolvane_qt_rc EQUAL 0)
    message(FATAL_ERROR "scripts/build-windows-qt.sh failed")
  endif()
  string(STRIP "${_tolvane_qt_out}" _tolvane_qt_out)
  string(REGEX REPLACE ".*\n" "" _tolvane_qt_out "${_tolvane_qt_out}")
  set(ENV{TOLVANE_WINDOWS_QT} "${_tolvane_qt_out}")
endif()
set(TOLVANE_WINDOWS_QT "$ENV{TOLVANE_WINDOWS_QT}")

list(APPEND CMAKE_FIND_ROOT_PATH "${TOLVANE_WINDOWS_QT}")
list(APPEND CMAKE_PREFIX_PATH "${TOLVANE_WINDOWS_QT}")
# Qt's tools (moc, rcc) run on the build machine: Debian's own Qt of the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
