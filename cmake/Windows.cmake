# The Windows build (mingw-w64, cross-compiled with cmake/windows-toolchain.cmake):
# the program's icon and version resource, and the tests run under Wine.
enable_language(RC)

# win_path PATH OUT: PATH as Wine's Z: drive shows it.
function(tolvane_wine_path path out)
  string(REPLACE "/" "\\" path "${path}")
  set(${out} "Z:${path}" PARENT_SCOPE)
endfunction()

if(CMAKE_CROSSCOMPILING)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE _stdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
                  OUTPUT_VARIABLE _pthread OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(_stdcxx_dir "${_stdcxx}" DIRECTORY)
  get_filename_component(_pthread_dir "${_pthread}" REALPATH)
  get_filename_component(_pthread_dir "${_pthread_dir}" DIRECTORY)
  # Where the packaging finds the runtime DLLs.
  set(TOLVANE_MINGW_RUNTIME_DLLS ${_stdcxx_dir}/libstdc++-6.dll ${_stdcxx_dir}/libgcc_s_seh-1.dll
      ${_pthread_dir}/libwinpthread-1.dll CACHE INTERNAL "")

  set(TOLVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  tolvane_wine_path("${TOLVANE_WINDOWS_QT}/bin" _qt_bin)
  tolvane_wine_path("${_stdcxx_dir}" _stdcxx_win)
  tolvane_wine_path("${_pthread_dir}" _pthread_win)
  set(TOLVANE_WINEPATH "${_qt_bin};${_stdcxx_win};${_pthread_win}")
  tolvane_wine_path("${TOLVANE_WINDOWS_QT}" TOLVANE_WINDOWS_QT_WIN)
  # One Japanese font, the one the Linux tests get from fontconfig, so text measures alike.
  set(_fontdir ${CMAKE_BINARY_DIR}/wine-fonts)
  file(MAKE_DIRECTORY ${_fontdir})
  foreach(_font /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc)
    if(EXISTS ${_font})
      file(CREATE_LINK ${_font} ${_fontdir}/NotoSansCJK-Regular.ttc SYMBOLIC)
    endif()
  endforeach()
  tolvane_wine_path("${_fontdir}" TOLVANE_WINE_FONTDIR_WIN)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                 GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

# tolvane_windows_resources TARGET FILENAME: the program icon and the version
# information of the program file FILENAME.
function(tolvane_windows_resources target filename)
  set(ico ${CMAKE_CURRENT_BINARY_DIR}/tolvane.ico)
  get_property(made DIRECTORY PROPERTY TOLVANE_ICON_MADE)
  if(NOT made)
    find_program(TOLVANE_MAGICK_CONVERT convert REQUIRED)
    add_custom_command(OUTPUT ${ico}
      COMMAND ${TOLVANE_MAGICK_CONVERT} ${CMAKE_SOURCE_DIR}/resources/tolvane-256.png
              -define icon:auto-resize=256,64,48,32,16 ${ico}
      DEPENDS ${CMAKE_SOURCE_DIR}/resources/tolvane-256.png
      COMMENT "Making the program icon")
    set_property(DIRECTORY PROPERTY TOLVANE_ICON_MADE ON)
  endif()
  set(TOLVANE_ICO ${ico})
  set(TOLVANE_ORIGINAL_FILENAME ${filename})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/resources/tolvane-desk.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${ico})
endfunction()
