# Cross builds for 64-bit ARM (Raspberry Pi OS arm64): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/arm64.cmake.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(vrennosc_triplet aarch64-linux-gnu)
set(vrennosc_qemu qemu-aarch64-static)
set(VRENNOSC_DEB_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/cross.cmake)
