# `cpack -G DEB` in the build folder writes tessivo_<version>_<arch>.deb. Its
# dependencies are those of the shared libraries the programs link, found by
# dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME tessivo)
set(CPACK_PACKAGE_VENDOR "The Tessivo developers")
set(CPACK_PACKAGE_CONTACT "The Tessivo developers <tessivo@users.noreply.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cut one MP3 file into several without re-encoding")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessivo opens an MP3 file, shows its waveform and writes parts of it as new\n\
MP3 files made of the source's own frame bytes. Cut lines are placed by hand\n\
or automatically (equal parts, equal length, at pauses); parts can be played\n\
and tagged (ID3v1). The command line tool tessivo-cli does the same without\n\
a window.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (the buttons of message boxes, the file dialog) in the
# language the window speaks.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
