# The Debian package: cpack -G DEB in the build directory (scripts/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wormpair)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_VENDOR "NALVEX")
set(CPACK_PACKAGE_CONTACT "wormpair developers <wormpair@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "design calculator for hourglass worm gear pairs")
# CPack puts the summary first and indents each of these lines by one blank
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "NALVEX蜗杆副设计 calculates planar double-enveloping (hourglass) worm gear
pairs: from the centre distance, the number of wheel teeth, the number of
worm starts and the accuracy grade it derives the recommended design
parameters and calculates the transmission, the worm, the hob, the wheel and
the modified pair. Designs are saved as design files (*.cqb); the worm, hob
and wheel parameter sheets are exported as Excel 97-2003 workbooks.
.
The package holds the window, the command-line tool wormpair-cli, the
parameter database with its factory copy, the sheet templates and the
manuals. Every user keeps their own calculation rules.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# what the binaries do not name: the database driver, a font for the Chinese
# texts and the one the drawings letter digits in; the menu route drives
# LibreOffice Calc when it is there
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-calc-nogui | libreoffice-calc, qt6-translations-l10n, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
