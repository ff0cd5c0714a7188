# The Debian package of the installed tree: cpack -G DEB in the build folder writes
# recognize_<version>_<arch>.deb, its dependencies computed from the programs' shared
# libraries.

set(RECOGNIZE_PACKAGE_MAINTAINER "Recognize maintainers <maintainers@users.noreply.c-seed-19a4ddd8.example>"
    CACHE STRING "Maintainer field of the package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME recognize)
set(CPACK_PACKAGE_VENDOR "The Recognize developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${RECOGNIZE_PACKAGE_MAINTAINER})
# The programs are free software under the GNU GPL, version 3 or later (LICENSE).
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "text-recognition workbench and glyph-font generator")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${RECOGNIZE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${RECOGNIZE_HOMEPAGE_URL})
# CPack puts the summary above this text and indents its lines; none may start with a dot.
set(CPACK_PACKAGE_DESCRIPTION "Recognize, the Text Recognition Demo Program, draws a line of text with a
glyph font into a picture, lets the user spoil it with the mouse or load a .BMP
picture, and reads the text back by cell matching and by dictionary
words. Glyphmill renders the characters of an installed font into glyph cells
and writes the GLF fonts that Recognize uses. recognize-cli and glyphmill-cli
do the same from scripts.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time; no library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
