# make package: a Debian package of what `cmake --install` puts in place, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kadrel)
set(CPACK_PACKAGE_VENDOR "Kadrel maintainers")
set(CPACK_PACKAGE_CONTACT "Kadrel maintainers <maintainers@kadrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop tool that joins several pictures into one (カドレル)")
# Wrapped as dpkg shows it; CPack indents each line.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Drop or open several pictures, arrange them on a canvas with the mouse, the"
  "cursor keys or typed coordinates, order them in layers, key out one colour per"
  "piece, and save the whole as one JPEG, BMP, GIF or PNG. A cut editor crops,"
  "mirrors, copies and pastes one picture; a resize dialog scales and rotates it."
  "The interface is Japanese."
  ""
  "kadrel-cli runs the same joining, colour reduction, scaling and rotation"
  "without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kadrel.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese text needs a CJK font, and Qt's own dialogs speak Japanese with its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
