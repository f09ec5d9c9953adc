# SPDX-License-Identifier: GPL-3.0-or-later
# Installation in the freedesktop layout and the Debian package built from it.
# The programs embed everything they need at run time but the video encoders'
# module; the rest installed here is for the desktop: menu entry, icons,
# metadata, manuals.
include(GNUInstallDirs)

set(GRIMASSO_APP_ID de.haxel.Grimasso)

install(TARGETS grimasso-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET grimasso_encoders)
  install(TARGETS grimasso_encoders LIBRARY DESTINATION ${GRIMASSO_MODULE_DIR})
endif()
if(TARGET grimasso)
  install(TARGETS grimasso RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(GRIMASSO_RESOURCES ${PROJECT_SOURCE_DIR}/resources)
install(FILES ${GRIMASSO_RESOURCES}/${GRIMASSO_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${GRIMASSO_RESOURCES}/${GRIMASSO_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${GRIMASSO_RESOURCES}/icons/grimasso.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${GRIMASSO_APP_ID}.svg)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${GRIMASSO_RESOURCES}/icons/grimasso-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${GRIMASSO_APP_ID}.png)
endforeach()
# The document type: the shared MIME database's entry and the type's icon.
install(FILES ${GRIMASSO_RESOURCES}/${GRIMASSO_APP_ID}.mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${GRIMASSO_APP_ID}.xml)
install(FILES ${GRIMASSO_RESOURCES}/icons/grimasso-document.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes RENAME application-x-grimasso.svg)
foreach(size 16 32 48 256)
  install(FILES ${GRIMASSO_RESOURCES}/icons/grimasso-document-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/mimetypes RENAME application-x-grimasso.png)
endforeach()
install(FILES ${GRIMASSO_RESOURCES}/man/grimasso.1 ${GRIMASSO_RESOURCES}/man/grimasso-cli.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${GRIMASSO_RESOURCES}/completion/grimasso-cli
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/grimasso RENAME copyright)

# The Debian package (scripts/package). Its library dependencies come from
# dpkg-shlibdeps on the installed programs; the Qt platform plugins are loaded
# at run time, so no linked library names them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME grimasso)
set(CPACK_PACKAGE_VENDOR Haxel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for comic distortions of photographs")
set(CPACK_PACKAGE_DESCRIPTION "Grimasso turns portraits into caricatures: pull the nose with the mouse, \
blow up the eyes, swirl the chin, and export a video that morphs the original face into the caricature. \
The user interface is German. grimasso-cli runs the same deformations in batch.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Haxel")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The face gesture needs the landmark model that libdlib-data installs; without
# it the programs work and the face steps say which package to install.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, libdlib-data")
include(CPack)
