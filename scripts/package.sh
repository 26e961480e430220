#!/usr/bin/env bash
# Builds the Debian package of the Linux program and the zip of the Windows
# program into dist/.  Usage: [TESVAK_MAINTAINER="Name <address>"] bash scripts/package.sh
# (without it the package carries a placeholder maintainer).
# Needs dpkg-dev, groff and g++-mingw-w64-i686-win32 (see .ci/run).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dist="$top/dist"
rm -rf "$dist" && mkdir -p "$dist"

cmake -S "$top" -B "$top/build-deb" -DCMAKE_BUILD_TYPE=Release -DTESVAK_TESTS=OFF \
  ${TESVAK_MAINTAINER:+"-DTESVAK_MAINTAINER=$TESVAK_MAINTAINER"} \
  ${TESVAK_MAINTAINER:-"-UTESVAK_MAINTAINER"} >/dev/null
cmake --build "$top/build-deb" -j "$(nproc)" >/dev/null
(cd "$top/build-deb" && cpack -G DEB -B "$dist" >/dev/null)

cmake -S "$top" -B "$top/build-zip" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTESVAK_TESTS=OFF >/dev/null
cmake --build "$top/build-zip" -j "$(nproc)" >/dev/null
(cd "$top/build-zip" && cpack -G ZIP -B "$dist" >/dev/null)

rm -rf "$dist/_CPack_Packages"
ls -l "$dist"
