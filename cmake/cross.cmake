# What the toolchain files share: Debian's cross compiler for vrennosc_triplet, the architecture's
# packages unpacked into VRENNOSC_SYSROOT (scripts/cross.sh makes it), and qemu-user to run what
# the build and the tests run.
set(VRENNOSC_SYSROOT "$ENV{VRENNOSC_SYSROOT}" CACHE PATH "The target architecture's packages, unpacked")
if(NOT IS_DIRECTORY "${VRENNOSC_SYSROOT}/usr/lib/${vrennosc_triplet}")
  message(FATAL_ERROR "VRENNOSC_SYSROOT (${VRENNOSC_SYSROOT}) holds no ${vrennosc_triplet} libraries: "
                      "scripts/cross.sh makes it")
endif()
# try_compile's projects read this file again, with this variable only.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VRENNOSC_SYSROOT)

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER ${vrennosc_triplet}-g++)
set(CMAKE_SYSROOT "${VRENNOSC_SYSROOT}")
set(CMAKE_LIBRARY_ARCHITECTURE ${vrennosc_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${VRENNOSC_SYSROOT}/usr/lib/${vrennosc_triplet}/pkgconfig:${VRENNOSC_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${VRENNOSC_SYSROOT}")
# -L puts the sysroot before every absolute path the program opens, its loader's first.
set(CMAKE_CROSSCOMPILING_EMULATOR ${vrennosc_qemu} -L "${VRENNOSC_SYSROOT}")
# The same packages one per folder with their control files, where dpkg-shlibdeps finds the
# libraries and their symbols: this machine's dpkg database knows none of them.
set(VRENNOSC_PACKAGE_TREES "$ENV{VRENNOSC_PACKAGE_TREES}" CACHE PATH "The target architecture's packages, one per folder")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VRENNOSC_PACKAGE_TREES)
