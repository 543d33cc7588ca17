# The Debian package (scripts/package): viscora_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME viscora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Viscora developers")
set(CPACK_PACKAGE_CONTACT "The Viscora developers <viscora@example.org>" CACHE STRING
  "The package's maintainer")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "companion program of the K7400R automatic rotational viscometer")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Defines test sequences and sends them to the K7400R over its serial line, runs real-time
tests with a live chart, keeps every test in one database file or in a PostgreSQL
database the whole lab shares, shows saved tests in a grid and ten chart types, exports workbooks, prints reports, checks the calibration and
logs at a fixed speed. Includes viscora-cli, its command-line twin, and k7400r-sim, a
simulated instrument.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VISCORA_HOMEPAGE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Libraries are found in the programs by dpkg-shlibdeps; Qt's SQLite and PostgreSQL drivers
# are plugins loaded at run time, which no program links, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql")
set(CPACK_STRIP_FILES ON)
include(CPack)
