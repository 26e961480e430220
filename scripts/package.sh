#!/usr/bin/env bash
# Builds the Debian packages of the Linux program, for amd64, arm64 and
# armhf, and the zip of the Windows program into dist/.
# Usage: [TESVAK_MAINTAINER="Name <address>"] bash scripts/package.sh
# (without it the package carries a placeholder maintainer).  Says first
# what it needs and is missing; keeps the builds' output in dist/build.log
# and shows it only when a build fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dist="$top/dist"

# What each build needs, as a command and the Debian package that has it.
needs=(
  "cmake cmake" "cpack cmake" "g++ g++" "dpkg-shlibdeps dpkg-dev" "groff groff"
  "aarch64-linux-gnu-g++ g++-aarch64-linux-gnu" "arm-linux-gnueabihf-g++ g++-arm-linux-gnueabihf"
  "i686-w64-mingw32-g++-win32 g++-mingw-w64-i686-win32"
)
missing=()
for need in "${needs[@]}"; do
  command -v "${need%% *}" >/dev/null || missing+=("${need#* }")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "package.sh needs: apt-get install $(printf '%s\n' "${missing[@]}" | sort -u | tr '\n' ' ')"
  exit 1
fi

rm -rf "$dist" && mkdir -p "$dist"
log="$dist/build.log"
step() {  # step WHAT COMMAND...: runs COMMAND with its output in the log
  echo "== $1"
  if ! "${@:2}" >>"$log" 2>&1; then
    tail -n 40 "$log"
    echo "package.sh: $1 failed; the whole output is in $log"
    exit 1
  fi
}
if [ -n "${TESVAK_MAINTAINER:-}" ]; then
  maintainer=("-DTESVAK_MAINTAINER=$TESVAK_MAINTAINER")
else
  maintainer=(-UTESVAK_MAINTAINER)
fi

build="$top/build-deb"
step "amd64: configure" cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESVAK_TESTS=OFF \
  "${maintainer[@]}"
step "amd64: build" cmake --build "$build" -j "$(nproc)"
step "amd64: package" bash -c "cd '$build' && cpack -G DEB -B '$dist'"

# The ARM packages: their libc dependency is the newest glibc symbol
# version the program uses, for dpkg-shlibdeps cannot read another
# architecture's libraries.
for target in aarch64-linux-gnu arm-linux-gnueabihf; do
  build="$top/build-deb-$target"
  step "$target: configure" cmake -S "$top" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$target.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DTESVAK_TESTS=OFF "${maintainer[@]}"
  step "$target: build" cmake --build "$build" -j "$(nproc)"
  glibc=$("$target-objdump" -T "$build/tesvak" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' |
    sort -V | tail -n 1)
  step "$target: depend on libc6 (>= $glibc)" cmake "$build" \
    -DTESVAK_LIBC_DEPENDS="libc6 (>= $glibc)"
  step "$target: package" bash -c "cd '$build' && cpack -G DEB -B '$dist'"
done

build="$top/build-zip"
step "win32: configure" cmake -S "$top" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DTESVAK_TESTS=OFF
step "win32: build" cmake --build "$build" -j "$(nproc)"
step "win32: package" bash -c "cd '$build' && cpack -G ZIP -B '$dist'"

rm -rf "$dist/_CPack_Packages"
echo "== made in $dist:"
(cd "$dist" && ls -l -- *.deb *.zip)
