# The Debian package: `cpack -G DEB` in a build folder writes quillon_<version>_<arch>.deb,
# installing to /usr, its dependencies found by dpkg-shlibdeps from the libraries the programs
# link. scripts/package.sh builds and checks it.
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The Quillon developers")
set(CPACK_PACKAGE_CONTACT "Quillon developers <quillon@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compare MAME DATs and write a DAT of their differences")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack puts the summary above it as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillon is a desktop application for people who keep MAME ROM collections.
Its Make Diff compares two DATs (ROM set catalogues in the ClrMamePro text
format, XML datafile or MAME -listxml, plain or zipped) and writes a DAT of
their differences, optionally with a header block and optionally zipped; a
results window lists every new, removed and changed set. Around it: a
two-panel file manager over DAT folders, a look inside zipped DATs, a header
editor and DAT creation from a MAME executable.
.
The diff tool setdelta is included as a command of its own, and
quillon --make-diff runs Make Diff from scripts without a display.")

# What Debian asks of every package: the copyright and a changelog, compressed.
string(TIMESTAMP QUILLON_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(QUILLON_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillon)
configure_file(dist/debian/copyright ${CMAKE_BINARY_DIR}/debian/copyright @ONLY)
configure_file(dist/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
                   COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/debian/changelog
                   DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${QUILLON_DOC_DIR})

include(CPack)
