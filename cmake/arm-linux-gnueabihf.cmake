# The 32-bit ARM Linux program (ARMv7 with hardware floating point: the
# Raspberry Pi 2 and later on a 32-bit OS).
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake
set(LINUX_TRIPLET arm-linux-gnueabihf)
set(LINUX_PROCESSOR arm)
set(LINUX_QEMU arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
