# Every install rule, and the packages CPack makes from them: a .deb for Debian 12 from the Linux
# build, a zip from the Windows build. The front end's folder gives the files it generates or
# fills in (PIXFERRY_DESKTOP_TEMPLATE, PIXFERRY_METAINFO_FILE).
include(GNUInstallDirs)

set(PIXFERRY_MAINTAINER "Pixferry developers <developers@pixferry.org>")
set(CPACK_PACKAGE_NAME pixferry)
set(CPACK_PACKAGE_VENDOR "Pixferry developers")
set(CPACK_PACKAGE_CONTACT "${PIXFERRY_MAINTAINER}")
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
  set(PIXFERRY_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pixferry)
  set(PIXFERRY_DEB_RELEASE 1)

  # ---- Documents made at build time: the manual page and the Debian changelog as Debian
  # keeps them (gzip -9n: no name or time stamp, so a rebuild gives the same bytes), and the
  # guide as one HTML page beside its Markdown when Python's Markdown module is there
  # (python3-markdown). PIXFERRY_GUIDE_HTML=ON insists on it, as the .deb does.
  set(PIXFERRY_GUIDE_HTML AUTO CACHE STRING "Install the guide as HTML too: AUTO, ON or OFF")
  set_property(CACHE PIXFERRY_GUIDE_HTML PROPERTY STRINGS AUTO ON OFF)
  set(docs_out ${CMAKE_BINARY_DIR}/docs)
  file(MAKE_DIRECTORY ${docs_out})
  file(STRINGS packaging/changelog changelog_top LIMIT_COUNT 1)
  if(NOT changelog_top MATCHES "^pixferry \\(${PROJECT_VERSION}-${PIXFERRY_DEB_RELEASE}\\) ")
    message(FATAL_ERROR "packaging/changelog's first entry is not for "
                        "${PROJECT_VERSION}-${PIXFERRY_DEB_RELEASE}: ${changelog_top}")
  endif()
  add_custom_command(OUTPUT ${docs_out}/pixferry.1.gz
                     COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/docs/pixferry.1 > pixferry.1.gz
                     DEPENDS docs/pixferry.1 WORKING_DIRECTORY ${docs_out} VERBATIM)
  add_custom_command(OUTPUT ${docs_out}/changelog.Debian.gz
                     COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > changelog.Debian.gz
                     DEPENDS packaging/changelog WORKING_DIRECTORY ${docs_out} VERBATIM)
  set(docs_made ${docs_out}/pixferry.1.gz ${docs_out}/changelog.Debian.gz)

  set(guide_html OFF)
  if(NOT PIXFERRY_GUIDE_HTML STREQUAL "OFF")
    # Debian's own Python first: one from elsewhere on the PATH may lack the module.
    find_program(PIXFERRY_PYTHON3 python3 HINTS /usr/bin)
    if(PIXFERRY_PYTHON3)
      execute_process(COMMAND ${PIXFERRY_PYTHON3} -c "import markdown" RESULT_VARIABLE no_markdown
                      OUTPUT_QUIET ERROR_QUIET)
      if(no_markdown EQUAL 0)
        set(guide_html ON)
      endif()
    endif()
    if(NOT guide_html)
      if(PIXFERRY_GUIDE_HTML STREQUAL "ON")
        message(FATAL_ERROR "The HTML guide needs python3 with its Markdown module (python3-markdown)")
      endif()
      message(STATUS "No python3-markdown: the guide is installed as Markdown only")
    endif()
  endif()
  if(guide_html)
    add_custom_command(OUTPUT ${docs_out}/guide.html
                       COMMAND ${PIXFERRY_PYTHON3} ${PROJECT_SOURCE_DIR}/cmake/guide_html.py
                               ${PROJECT_SOURCE_DIR}/docs/guide.md ${docs_out}/guide.html
                       DEPENDS docs/guide.md cmake/guide_html.py VERBATIM)
    list(APPEND docs_made ${docs_out}/guide.html)
    set(guide_name guide.html)
  else()
    set(guide_name guide.md)
  endif()
  add_custom_target(pixferry_docs ALL DEPENDS ${docs_made})

  # ---- The program, its menu entry, metainfo and icon in the usual places, and the guide in
  # Debian's place for a package's documents: /usr/share/doc/<package>.
  install(TARGETS pixferry RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The menu entry's "Operator's Guide" action names the guide where this installation puts it
  # (/usr under cpack, whatever --prefix says under cmake --install).
  set(entry ${CMAKE_BINARY_DIR}/install/org.pixferry.Pixferry.desktop)
  install(CODE "
    file(READ \"${PIXFERRY_DESKTOP_TEMPLATE}\" entry)
    string(REPLACE \"@PIXFERRY_GUIDE@\" \"\${CMAKE_INSTALL_PREFIX}/${PIXFERRY_DOC_DIR}/${guide_name}\"
           entry \"\${entry}\")
    file(WRITE \"${entry}\" \"\${entry}\")")
  install(FILES ${entry} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PIXFERRY_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 32 48 64 128 256)
    install(FILES ui/qt/icons/${size}x${size}/org.pixferry.Pixferry.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ui/qt/icons/org.pixferry.Pixferry.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${docs_out}/pixferry.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES docs/guide.md packaging/copyright ${docs_out}/changelog.Debian.gz
          DESTINATION ${PIXFERRY_DOC_DIR})
  if(guide_html)
    install(FILES ${docs_out}/guide.html DESTINATION ${PIXFERRY_DOC_DIR})
    # Registered with doc-base, so documentation browsers list it.
    set(doc_base ${CMAKE_BINARY_DIR}/install/pixferry-guide)
    install(CODE "
      file(READ \"${PROJECT_SOURCE_DIR}/packaging/doc-base.in\" text)
      string(REPLACE \"@PIXFERRY_GUIDE_DIR@\" \"\${CMAKE_INSTALL_PREFIX}/${PIXFERRY_DOC_DIR}\"
             text \"\${text}\")
      file(WRITE \"${doc_base}\" \"\${text}\")")
    install(FILES ${doc_base} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base)
  endif()
  install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          RENAME pixferry)
  install(DIRECTORY docs/images DESTINATION ${PIXFERRY_DOC_DIR})

  # ---- The desktop's caches, so an installation by hand (cmake --install --prefix ~/.local) is
  # offered for an inserted card and shows its icon at once. Not when installing into a staging
  # folder (DESTDIR, as cpack does): a package's caches are its system's job (dpkg triggers).
  if(IS_ABSOLUTE "${CMAKE_INSTALL_DATADIR}")
    set(datadir "${CMAKE_INSTALL_DATADIR}")
  else()
    set(datadir "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}")
  endif()
  install(CODE "
    if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
      set(PIXFERRY_APPLICATIONS_DIR \"${datadir}/applications\")
      set(PIXFERRY_ICON_THEME_DIR \"${datadir}/icons/hicolor\")
      include(\"${PROJECT_SOURCE_DIR}/cmake/DesktopCaches.cmake\")
    endif()")
  # cmake --build <build folder> --target uninstall: removes what the last installation from
  # this build folder put in place (its install_manifest.txt), then updates the caches.
  add_custom_target(uninstall
                    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
                            -P ${PROJECT_SOURCE_DIR}/cmake/Uninstall.cmake
                    VERBATIM)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE ${PIXFERRY_DEB_RELEASE})
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pixferry.org")
  # The synopsis is the summary above; this is the text beneath it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Pixferry takes the photos and video clips off a camera memory card and files\n"
      "them into a case folder named after an incident, a user and a date. Each copy\n"
      "is read back and compared with its original before it takes its name. The\n"
      "desktop offers it when a camera card is inserted. Afterwards it removes the\n"
      "card's photo folder, after asking.")
  string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
  # The libraries the program links come from dpkg-shlibdeps; what Qt loads at run time (the
  # platform plugins) and the font that stands in for MS Sans Serif are named here. The menu
  # entry opens the guide with xdg-open.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
else()
  # Without a front end (PIXFERRY_BUILD_QT=OFF) there is no program, and a guide to a program
  # that is not there helps no one: such a build (the core, its tests, the benchmarks) installs
  # nothing.
  message(STATUS "No front end is built: nothing to install")
endif()

include(CPack)
