# The Debian package of the installed tree: scripts/package runs cpack -G DEB on a Release build.
# dpkg-shlibdeps finds the libraries the program links; what it loads at run time is named here:
# GStreamer's plugins (v4l2src, avimux, videobalance, jpeg in -good; appsink, videotestsrc,
# videoconvert in -base) and the fonts that stand in for the Windows fonts the windows name.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veldor)
set(CPACK_PACKAGE_CONTACT "The VELDOR developers <veldor@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "capture station for a USB microscope camera")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
VELDOR shows the live picture of a handheld USB microscope camera (any UVC
camera) in one window. From it you take still pictures, JPEG files named by
the time they were taken, each with the camera's settings and an optional
comment beside it; browse them as thumbnails; compare two pictures; record
movies into AVI files; and adjust the camera's picture controls and capture
size, remembered for each camera. The camera's own push button takes
pictures or starts and stops recording.

The interface is in Japanese or English.]])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, fonts-liberation2, fonts-ipafont-gothic")
# Qt's own button and dialog texts in Japanese; without them they stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_VELDOR_STRIP "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StripComments.cmake)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
