# Two Debian packages from this build, with CPack's DEB generator (make deb):
#   palomet     the workbench, palomet-cli, the reference tables and a sample trace
#   palometsrv  the capture agent alone, with its systemd unit: nothing of Qt
# Every install() names its package (the default is palomet). Depends: come from
# dpkg-shlibdeps over the programs; the version is the project's.
# CPack rather than a debian/ tree: the packages hold exactly what this build's install rules
# install, with project()'s version, built once and written straight into build/deb/; a
# debian/ tree would build the project again through debhelper, keep a changelog that says
# the version a second time, and leave its packages outside the source tree.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME palomet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Palomet Manager developers")
set(CPACK_PACKAGE_CONTACT "${PALOMET_DEB_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL palomet palometsrv)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE palomet)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_PALOMET_PACKAGE_NAME palomet)
set(CPACK_DEBIAN_PALOMET_PACKAGE_SUGGESTS palometsrv)
set(CPACK_DEBIAN_PALOMET_DESCRIPTION "remote network-capture console
Palomet Manager browses captured network frames decoded layer by layer
(Ethernet, IPv4, TCP, UDP, Telnet, DNS, NetBIOS Name Service, HTTP, FTP,
SMTP, POP3), live from a capture agent or from a saved trace file.
.
This package holds the Qt workbench (palomet), the same core without a
display for scripts and terminals (palomet-cli: trace files, pcap import
and export, live capture, session profiles, agent services), the reference
tables and a sample trace. The capture agent is in the palometsrv package.")

set(CPACK_DEBIAN_PALOMETSRV_PACKAGE_NAME palometsrv)
set(CPACK_DEBIAN_PALOMETSRV_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PALOMETSRV_DESCRIPTION "capture agent for Palomet Manager
palometsrv captures frames on a host's Ethernet interface with libpcap (or
replays a capture file) and serves them to Palomet Manager over DCE RPC,
with its own endpoint mapper.
.
The package installs a systemd unit that runs the agent as a dynamic user
with raw-socket capability only. It is left disabled until the
administrator names the interface and the networks that may connect.")
# /etc/default/palometsrv is the administrator's: a conffile, which an upgrade never
# overwrites unasked and only a purge removes. CPack takes control files by their name.
set(palometsrv_scripts ${PROJECT_SOURCE_DIR}/packaging/deb)
set(palometsrv_control ${CMAKE_BINARY_DIR}/deb-control/palometsrv)
file(WRITE ${palometsrv_control}/conffiles "${CMAKE_INSTALL_FULL_SYSCONFDIR}/default/palometsrv\n")
set(CPACK_DEBIAN_PALOMETSRV_PACKAGE_CONTROL_EXTRA ${palometsrv_control}/conffiles
    ${palometsrv_scripts}/postinst ${palometsrv_scripts}/prerm ${palometsrv_scripts}/postrm)

include(CPack)
