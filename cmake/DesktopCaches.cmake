# Brings the desktop's caches up to date after an installation or an uninstallation:
#   PIXFERRY_APPLICATIONS_DIR  the menu entries' folder: update-desktop-database indexes their
#                              MIME types (a camera card is x-content/image-dcf)
#   PIXFERRY_ICON_THEME_DIR    the hicolor theme's folder: gtk-update-icon-cache, as Debian does
#                              it, only where the theme is installed (index.theme), since a cache
#                              once made hides icons added later without one
# A missing tool is passed over, saying so.
find_program(update_desktop_database update-desktop-database)
if(update_desktop_database AND IS_DIRECTORY "${PIXFERRY_APPLICATIONS_DIR}")
  message(STATUS "Updating the menu's MIME cache: ${PIXFERRY_APPLICATIONS_DIR}")
  execute_process(COMMAND ${update_desktop_database} -q "${PIXFERRY_APPLICATIONS_DIR}")
elseif(NOT update_desktop_database)
  message(STATUS "No update-desktop-database (desktop-file-utils): the menu's MIME cache is left")
endif()
find_program(gtk_update_icon_cache gtk-update-icon-cache)
if(gtk_update_icon_cache AND EXISTS "${PIXFERRY_ICON_THEME_DIR}/index.theme")
  message(STATUS "Updating the icon cache: ${PIXFERRY_ICON_THEME_DIR}")
  execute_process(COMMAND ${gtk_update_icon_cache} -q -t -f "${PIXFERRY_ICON_THEME_DIR}")
endif()
