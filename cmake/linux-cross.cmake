# Cross build of the Linux program with Debian's cross compilers, for the
# GNU triplet the including toolchain file sets in LINUX_TRIPLET.  The
# programs run under qemu-user with -L /usr/${LINUX_TRIPLET} (see .ci/run).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${LINUX_PROCESSOR})
set(CMAKE_C_COMPILER ${LINUX_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${LINUX_TRIPLET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${LINUX_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${LINUX_QEMU};-L;/usr/${LINUX_TRIPLET})
