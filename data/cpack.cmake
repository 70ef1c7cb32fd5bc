# The Debian package: `cpack` in the build folder makes quilmo_<version>_<arch>.deb from
# what the install rules put in place (scripts/package does it all).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quilmo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quilmo developers")
set(CPACK_PACKAGE_CONTACT "${QUILMO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial terminal for packet-radio TNCs with an APRS decoder")
set(CPACK_PACKAGE_DESCRIPTION
    "Quilmo talks to amateur-radio packet equipment, TNCs and APRS radios, over a
serial port or a TCP connection (a TNC behind a serial server, a software
modem, an APRS-IS server), in text mode or as a KISS TNC. Everything the
device sends is shown unchanged; typed text is sent with control characters,
time and date placeholders and eight macros, and both directions can be
logged.

With APRS switched on, the monitored packets are decoded into readable
records: positions with distance and azimuth from your own station, speed,
course, altitude, symbols, weather, MIC-E, objects, items, messages, status
and telemetry. A station filter picks the records shown, and every shown
position goes to a KML track for map viewers; a live table lists every
station heard.

The package also holds quilmo-decode, which decodes a saved capture on the
command line (and writes its station table as CSV), and quilmo-tnc-sim,
which plays a TNC on a pseudo-terminal or a local TCP port.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Install rules give files their modes; the directories get the usual ones whatever the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILMO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILMO_HOMEPAGE}")
# Dependencies come from the libraries the programs link (dpkg-shlibdeps), so they cannot drift.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The map and the Stations window draw the APRS symbols of its symbol file when it is there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xastir-data)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
