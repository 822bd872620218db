# The Debian package, built by `cpack -G DEB` (or the `package` target) from the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vrennosc)
set(CPACK_PACKAGE_VENDOR "vrennosc developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sensor hub to OSC bridge")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Reads the readings of a USB HID sensor hub and sends each one as an OSC\n\
message to UDP port 9876 on the local host, for Pure Data, SuperCollider, Max\n\
and other OSC receivers. Includes a udev rule that gives the logged-in user\n\
access to the hub, a systemd user unit that keeps the bridge running, and\n\
vrennosc-monitor, which shows every sensor's values live, says what is wrong\n\
when nothing arrives, forwards the messages to other programs or computers and\n\
records them, serves them to OSCQuery programs that find it on the network,\n\
and vrennosc-play, which replays a recording with its timing.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VRENNOSC_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(CMAKE_CROSSCOMPILING)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${VRENNOSC_DEB_ARCH})
  set(programs "$<TARGET_FILE:vrennosc>")
  foreach(tool ${tools})
    string(APPEND programs " $<TARGET_FILE:${tool}>")
  endforeach()
  configure_file(cross-depends.cmake.in cross-depends.cmake.in @ONLY)
  file(GENERATE OUTPUT cross-depends.cmake INPUT "${CMAKE_CURRENT_BINARY_DIR}/cross-depends.cmake.in")
  set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_BINARY_DIR}/cross-depends.cmake")
else()
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS liblo-tools)
# The responder that announces vrennosc-monitor --oscquery, and answers for NAME.local.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS avahi-daemon)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_LIST_DIR}/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
