# The Debian package: `cpack -G DEB` in the build tree (after the build) writes
# ql310_VERSION_ARCH.deb with velmo, serulo, ql310-sim and their desktop files. Its dependencies
# are read off the programs' shared libraries by dpkg-shlibdeps (dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ql310)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "QL310 desktop software")
set(CPACK_PACKAGE_CONTACT "QL310 desktop software developers <ql310@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QL310 water level logger software: velmo, serulo, ql310-sim")
set(CPACK_PACKAGE_DESCRIPTION "velmo configures QL310 underwater loggers over a serial port: it reads \
their state, downloads and charts recorded files, sets the logging task and calibrates them, and \
its headless commands serve scripts. serulo is a serial debugging assistant. ql310-sim simulates \
a logger on a pseudo-terminal, to try both without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Qt platform plugins are loaded, not linked, so no library tells of them; Chinese captions
# want a CJK font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei")
include(CPack)
