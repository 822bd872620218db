# Cross builds for 32-bit ARM with hardware floats (Raspberry Pi OS armhf):
# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/armhf.cmake.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(vrennosc_triplet arm-linux-gnueabihf)
set(vrennosc_qemu qemu-arm-static)
set(VRENNOSC_DEB_ARCH armhf)
# GCC notes on 32-bit ARM that some arguments are passed otherwise since GCC 7.1; everything here
# is built by one GCC 12.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
include(${CMAKE_CURRENT_LIST_DIR}/cross.cmake)
