# "cpack -G DEB" in the build folder makes an installable Debian package of
# everything "cmake --install" puts in place: the window, vemtra-cli, the board
# simulator, the help file, the menu entry and its icon.

set(CPACK_PACKAGE_NAME "qel-vemtra")
set(CPACK_PACKAGE_VENDOR "QEL-Vemtra")
set(CPACK_PACKAGE_CONTACT "QEL-Vemtra developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "control program for the four-channel analogue data-logger board")
set(CPACK_PACKAGE_DESCRIPTION
    "Connects to the data-logger board over RS-232, shows its four channels as a live voltmeter, programs its log and reads the log back into a text file. Includes vemtra-cli for scripts and vemtra-board, a simulator of the board on a pseudo-terminal.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "qel-vemtra")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_GENERATOR "DEB")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The Qt libraries the programs link come from dpkg-shlibdeps; the window's
# platform plugins are loaded at run time, so no linker sees them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")

include(CPack)
