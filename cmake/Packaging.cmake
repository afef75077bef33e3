# The Debian package: what `cmake --install` puts in place (both programs, the
# desktop entry, the icons, the systemd user units of the console without a window,
# the default one's and the one per profile) under /usr.
#
#   cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_BUILD_TESTS=OFF
#   cmake --build build-package --target tolvane-desk velmira-sim
#   (cd build-package && cpack -G DEB)
set(CPACK_PACKAGE_NAME tolvane-desk)
set(CPACK_PACKAGE_VENDOR "TolvaneDesk developers")
if(NOT CPACK_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "TolvaneDesk developers <tolvane-desk@example.org>")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Operator console for a Velmira game server")
# CPack puts the summary first and formats the rest as Debian wants it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "TolvaneDesk logs in to the server's admin port and lets a game master speak to
everyone playing: paced broadcasts of stored message lists, live messages, an hourly
and half-hourly time signal, scheduled broadcasts and six shortcut buttons. It shows
the player count and administers the players' accounts. The user interface is Japanese.

velmira-sim, a stand-in for the game server, is included so the console can be tried
without one.")
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The library dependencies (libqt6widgets6 and the rest) are read off the programs by
# dpkg-shlibdeps; Debian's libqt6gui6 carries the X11 platform plugin as well.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The texts are Japanese; without a CJK font they show as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
include(CPack)
