# The Debian package, made by CPack from the install rules: `make deb`, or
# `cpack --config BUILD/CPackConfig.cmake -B DIR`. It installs under /usr, with the
# executable stripped, and depends on what dpkg-shlibdeps finds the executable needs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME percorso)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "percorso developers")
set(CPACK_PACKAGE_CONTACT "percorso developers <percorso@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "compiler of railway route scenarios for a train-driving simulator")
# CPack makes the summary the first line of the package's description, and this the rest.
set(CPACK_PACKAGE_DESCRIPTION
    "percorso compiles a route, written as a pair of texts (the line description
and the data of one train run on it), into the cell file, the line file and
the plan file that the simulator loads, and reports every error in the texts
with its file, line and column. It also shows what a compiled file holds, as
a table or as JSON, and draws a scenario as one HTML page with its map and
profile.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/percorso")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
