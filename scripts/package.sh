#!/usr/bin/env bash
# Builds the Debian packages of the Linux program, for amd64, arm64 and
# armhf, and the zip of the Windows program into dist/.  Usage: [TESVAK_MAINTAINER="Name <address>"] bash scripts/package.sh
# (without it the package carries a placeholder maintainer).
# Needs dpkg-dev, groff, g++-mingw-w64-i686-win32, g++-aarch64-linux-gnu and
# g++-arm-linux-gnueabihf (see .ci/run).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dist="$top/dist"
rm -rf "$dist" && mkdir -p "$dist"

cmake -S "$top" -B "$top/build-deb" -DCMAKE_BUILD_TYPE=Release -DTESVAK_TESTS=OFF \
  ${TESVAK_MAINTAINER:+"-DTESVAK_MAINTAINER=$TESVAK_MAINTAINER"} \
  ${TESVAK_MAINTAINER:-"-UTESVAK_MAINTAINER"} >/dev/null
cmake --build "$top/build-deb" -j "$(nproc)" >/dev/null
(cd "$top/build-deb" && cpack -G DEB -B "$dist" >/dev/null)

# The ARM packages: their libc dependency is the newest glibc symbol
# version the program uses, for dpkg-shlibdeps cannot read another
# architecture's libraries.
for target in aarch64-linux-gnu arm-linux-gnueabihf; do
  build="$top/build-deb-$target"
  cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$target.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTESVAK_TESTS=OFF \
    ${TESVAK_MAINTAINER:+"-DTESVAK_MAINTAINER=$TESVAK_MAINTAINER"} \
    ${TESVAK_MAINTAINER:-"-UTESVAK_MAINTAINER"} >/dev/null
  cmake --build "$build" -j "$(nproc)" >/dev/null
  glibc=$("$target-objdump" -T "$build/tesvak" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' |
    sort -V | tail -n 1)
  cmake "$build" -DTESVAK_LIBC_DEPENDS="libc6 (>= $glibc)" >/dev/null
  (cd "$build" && cpack -G DEB -B "$dist" >/dev/null)
done

cmake -S "$top" -B "$top/build-zip" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTESVAK_TESTS=OFF >/dev/null
cmake --build "$top/build-zip" -j "$(nproc)" >/dev/null
(cd "$top/build-zip" && cpack -G ZIP -B "$dist" >/dev/null)

rm -rf "$dist/_CPack_Packages"
ls -l "$dist"
