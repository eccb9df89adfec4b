# `make package` (the `package` target): a Debian package of everything the
# install holds, for /usr. Its dependencies are the Debian packages of the
# shared libraries the programs, the library and the modules load (found by
# dpkg-shlibdeps), and libcoin-dev, whose CMake package and headers the
# installed zkcpConfig.cmake and headers need.
set(ZKCP_PACKAGE_MAINTAINER "zkcp developers <zkcp@localhost>" CACHE STRING
  "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zkcp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Object model of interactive 3D worlds on Open Inventor")
set(CPACK_PACKAGE_DESCRIPTION
  "The zkcp library with VRML 97 and X3D export, its headers, CMake package\nand pkg-config file; the zkcp-export program, X_ITE for the pages it\nwrites, and a sample world with its behaviour modules.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZKCP_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The library's folder is in ld.so's cache: installing it triggers ldconfig.
file(WRITE ${PROJECT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libcoin-dev)
# Snapshots of the VRML world are rendered with these when they are there.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "view3dscene, xvfb, xauth")
include(CPack)
