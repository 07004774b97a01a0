# The Debian package kstlupd_<version>-1_amd64.deb, made by CPack's DEB generator
# from the install rules above (`cpack -G DEB` in a build without the tests): the
# files a package installs are the ones `cmake --install` installs, under /usr,
# with the dependencies dpkg-shlibdeps reads from the program. The files Debian
# asks of every package (copyright, changelog, compressed manual page) are added by
# cmake/debian_extras.cmake once the files are staged.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kstlupd)
set(CPACK_PACKAGE_VENDOR "the kstlupd authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps the reference data of the KESTRL logging program current")
set(CPACK_PACKAGE_DESCRIPTION "The KESTRL Data Updater fetches the award and country files, the IOTA list,
DX cluster node lists, the WPX honour roll, master callsign and membership
lists and a DX calendar of the KESTRL logging program (run under Wine) when
the server's copy is newer, backs up what it replaces and installs the new
data. It runs with a window or unattended from a daily systemd user timer.")
# Installed with the package's own paths: the desktop entry and the service name /usr/bin/kstlupd.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "kstlupd authors <kstlupd@kst.test>")
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The certificates of the HTTPS sources; xdg-open for the Help button.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://kst.test/kestrl/updater/")
set(CPACK_KSTLUPD_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian_extras.cmake)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)
