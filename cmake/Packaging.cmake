# Every install rule, and the packages CPack makes from them: a .deb for Debian 12 from the Linux
# build, a zip from the Windows build. The front end's folder gives the files it generates
# (PIXFERRY_DESKTOP_FILE, PIXFERRY_METAINFO_FILE).
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME pixferry)
set(CPACK_PACKAGE_VENDOR "Pixferry developers")
set(CPACK_PACKAGE_CONTACT "Pixferry developers <pixferry@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY pixferry)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

if(WIN32)
  # One folder to unpack anywhere: the program at its top, the guide beside it.
  install(TARGETS pixferry RUNTIME DESTINATION .)
  install(FILES docs/guide.md DESTINATION docs)
  install(DIRECTORY docs/images DESTINATION docs)
  install(FILES README.md DESTINATION .)
  install(FILES docs/screenshot-qt.png docs/screenshot-win32.png DESTINATION docs)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "pixferry-${PROJECT_VERSION}-windows-x64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
elseif(TARGET pixferry)
  # The program, its menu entry, metainfo and icon in the usual places, and the guide in
  # Debian's place for a package's documents: /usr/share/doc/<package>.
  install(TARGETS pixferry RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PIXFERRY_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PIXFERRY_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES app/resources/pixferry.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
  install(FILES docs/guide.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pixferry)
  install(DIRECTORY docs/images DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pixferry)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "${PROJECT_DESCRIPTION}\n Pixferry takes the photos and video clips off a camera card, files them\n into a case folder named after an incident, a user and a date, and then\n deletes the card's photo folder on request.")
  # The libraries the program links come from dpkg-shlibdeps; what Qt loads at run time (the
  # platform plugins) and the font that stands in for MS Sans Serif are named here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
else()
  # Without a front end (PIXFERRY_BUILD_QT=OFF) there is no program, and a guide to a program
  # that is not there helps no one: such a build (the core, its tests, the benchmarks) installs
  # nothing.
  message(STATUS "No front end is built: nothing to install")
endif()

include(CPack)
