# The 64-bit ARM Linux program (Raspberry Pi 3, 4 and 5 on a 64-bit OS).
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(LINUX_TRIPLET aarch64-linux-gnu)
set(LINUX_PROCESSOR aarch64)
set(LINUX_QEMU aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
