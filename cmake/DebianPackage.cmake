# The Debian package of the tool (cpack -G DEB, or ./run package). Its
# dependencies come from dpkg-shlibdeps over the installed programs, so they
# follow whatever the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME printer-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for small receipt printers")
set(CPACK_PACKAGE_DESCRIPTION
    "Sets the print parameters, Bluetooth and infrared settings of a receipt\n\
printer on a serial port or UDP, replaces its firmware from a checked image\n\
and downloads its font and NV logo images. Contains the window (printer-tool),\n\
the command-line tool (printer-cli) and a virtual printer (printer-sim).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
