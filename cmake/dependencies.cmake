# Every outside library, found once, each as an imported target: hidapi for the bridge; liblo,
# ncurses, civetweb and avahi for the tools (and liblo for the tests, which decode with it).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(HIDAPI REQUIRED IMPORTED_TARGET GLOBAL hidapi-hidraw)
if(VRENNOSC_BUILD_MONITOR OR BUILD_TESTING OR VRENNOSC_FUZZ)
  pkg_check_modules(LIBLO REQUIRED IMPORTED_TARGET GLOBAL liblo)
endif()
if(VRENNOSC_BUILD_MONITOR)
  pkg_check_modules(NCURSESW REQUIRED IMPORTED_TARGET GLOBAL ncursesw)
  pkg_check_modules(AVAHI REQUIRED IMPORTED_TARGET GLOBAL avahi-client)
  # Debian's libcivetweb-dev has a CMake package file that wants the civetweb program too, so the
  # library is found directly.
  find_library(CIVETWEB_LIBRARY civetweb REQUIRED)
  find_path(CIVETWEB_INCLUDE_DIR civetweb.h REQUIRED)
  add_library(civetweb::civetweb UNKNOWN IMPORTED GLOBAL)
  set_target_properties(civetweb::civetweb PROPERTIES IMPORTED_LOCATION ${CIVETWEB_LIBRARY}
                                                      INTERFACE_INCLUDE_DIRECTORIES ${CIVETWEB_INCLUDE_DIR})
endif()

# The warnings every target of ours is built with; VRENNOSC_WERROR makes them errors.
add_library(vrennosc_warnings INTERFACE)
target_compile_options(vrennosc_warnings INTERFACE -Wall -Wextra -Wpedantic $<$<BOOL:${VRENNOSC_WERROR}>:-Werror>)
