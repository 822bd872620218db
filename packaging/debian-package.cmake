# The Debian packages, built by `cpack -G DEB` (or the `package` target) from the install rules, one
# per install component: vrennosc, the bridge, which needs hidapi alone, and vrennosc-tools, the
# monitor and the player with their libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGE_NAME vrennosc)
set(CPACK_PACKAGE_VENDOR "vrennosc developers")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VRENNOSC_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# Each package's description begins with its own summary, before which CPack would put this one.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_COMPONENTS_ALL bridge)
set(CPACK_DEBIAN_BRIDGE_PACKAGE_NAME vrennosc)
set(CPACK_DEBIAN_BRIDGE_DESCRIPTION "sensor hub to OSC bridge
Reads the readings of a USB HID sensor hub and sends each one as an OSC
message to UDP port 9876 on the local host, for Pure Data, SuperCollider, Max
and other OSC receivers. Includes a udev rule that gives the logged-in user
access to the hub, a systemd user unit that keeps the bridge running, and
receiver examples. The monitor and the player are in vrennosc-tools.")
set(CPACK_DEBIAN_BRIDGE_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_LIST_DIR}/postinst")
set(CPACK_DEBIAN_BRIDGE_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(tools)
  list(APPEND CPACK_COMPONENTS_ALL tools)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME vrennosc-tools)
  set(CPACK_DEBIAN_TOOLS_DESCRIPTION "monitor and player for the sensor hub to OSC bridge
vrennosc-monitor shows every sensor's values live, says what is wrong when
nothing arrives, forwards the messages to other programs or computers and
records them, and serves them to OSCQuery programs that find it on the
network; vrennosc-play replays a recording with its timing. Both work with
any OSC source, and with the bridge in the vrennosc package.")
  # The responder that announces vrennosc-monitor --oscquery, and answers for NAME.local.
  set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "vrennosc, avahi-daemon")
  set(CPACK_DEBIAN_TOOLS_PACKAGE_SUGGESTS liblo-tools)
endif()

if(CMAKE_CROSSCOMPILING)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${VRENNOSC_DEB_ARCH})
  set(tool_programs "")
  foreach(tool ${tools})
    string(APPEND tool_programs " $<TARGET_FILE:${tool}>")
  endforeach()
  configure_file(cross-depends.cmake.in cross-depends.cmake.in @ONLY)
  file(GENERATE OUTPUT cross-depends.cmake INPUT "${CMAKE_CURRENT_BINARY_DIR}/cross-depends.cmake.in")
  set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_BINARY_DIR}/cross-depends.cmake")
else()
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
