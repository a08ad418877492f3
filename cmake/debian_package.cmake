# A Debian package of what `cmake --install` puts in place: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME tavro)
set(CPACK_PACKAGE_VENDOR "Tavro Team")
set(CPACK_PACKAGE_CONTACT "${TAVRO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Clipboard history and saved texts in the notification area")
set(CPACK_PACKAGE_DESCRIPTION "Tavro lives in the notification area and records every text copied \
in any program, with the time of day, as a history of the last 13 texts. Texts worth keeping \
are saved, one file each, and survive restarts. A right click on the tray icon lists both and \
puts the chosen text back on the clipboard.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${TAVRO_HOMEPAGE}")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
include(CPack)
