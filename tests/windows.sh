#!/usr/bin/env bash
# Builds the 32-bit and the 64-bit Windows program with MinGW, checks what
# each is and that it starts on the oldest Windows it is for, and runs the
# unit tests, the scenario cases and the random-tree comparisons
# (tests/agree) against one of them under Wine, in a fresh prefix inside its
# build directory:
#  - the 32-bit program under 32-bit Wine where this machine runs 32-bit
#    programs and 32-bit Wine is installed and starts;
#  - the 64-bit program under 64-bit Wine where it does not (some kernels
#    lack 32-bit support, and on some machines the package mirror's i386
#    index is broken, so 32-bit Wine cannot be installed).
# TESVAK_WINE=win32 or win64 skips the probe and picks one.
# Usage: bash tests/windows.sh
# Needs g++-mingw-w64-i686-win32, g++-mingw-w64-x86-64-win32, and wine with
# wine32:i386 or wine64 (see .ci/run).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

build_one() {  # build_one DIR TOOLCHAIN FILE-KIND
  cmake -S "$top" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2" >/dev/null
  cmake --build "$1" -j "$(nproc)" >/dev/null
  local kind
  kind=$(file "$1/tesvak.exe")
  echo "$kind"
  grep -q "$3" <<<"$kind" || { echo "$1/tesvak.exe is not a $3"; exit 1; }
  bash "$top/scripts/check-imports.sh" "$1/tesvak.exe"
}
build_one "$top/build-win32" mingw-i686.cmake 'PE32 executable (console) Intel 80386'
build_one "$top/build-win64" mingw-x86_64.cmake 'PE32+ executable (console) x86-64'

# 32-bit Wine where this machine runs 32-bit programs and 32-bit Wine is
# installed and starts; else the 64-bit build under 64-bit Wine, saying why.
wine32_starts() {
  command -v wine >/dev/null || return 1
  local prefix
  prefix=$(mktemp -d)
  WINEARCH=win32 WINEPREFIX="$prefix" WINEDEBUG=-all timeout 300 wine cmd /c exit 0 \
    >/dev/null 2>&1 </dev/null
  local code=$?
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  return $code
}
arch=${TESVAK_WINE:-}
why="TESVAK_WINE=$arch"
if [ -z "$arch" ]; then
  if ! python3 "$top/tests/runs_i386.py"; then
    arch=win64 why="this machine does not run 32-bit programs"
  elif ! wine32_starts; then
    arch=win64 why="32-bit Wine is not installed here or does not start"
  else
    arch=win32 why="this machine runs 32-bit programs and 32-bit Wine"
  fi
fi
case "$arch" in
  win32)
    build="$top/build-win32" wine=wine wineserver=wineserver label="the 32-bit build"
    echo "== $why: testing the 32-bit build under 32-bit Wine" ;;
  win64)
    build="$top/build-win64" wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver64
    label="the 64-bit build"
    echo "== $why: the 32-bit build was built and checked only; testing the 64-bit build" \
         "under 64-bit Wine instead" ;;
  *) echo "TESVAK_WINE must be win32 or win64"; exit 2 ;;
esac

export WINEARCH=$arch WINEDEBUG=-all WINEPREFIX="$build/wineprefix"
[ "$arch" = win32 ] || export WINELOADER=$wine
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# One persistent wineserver for the whole run: starting Wine afresh for each
# case would cost seconds apiece.  Started before anything whose output is
# piped, so no background Wine process holds a pipe open.
"$wineserver" -p
trap '"$wineserver" -k || true' EXIT
"$wine" wineboot -i >/dev/null 2>&1 </dev/null

log=$(mktemp)
echo "== unit tests under Wine ($label)"
"$wine" "$build/tests/unit/tesvak_unit_tests.exe" | tee "$log"
units=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tr -d '\r')

echo "== scenario cases under Wine ($label)"
python3 "$top/tests/scenarios/run_cases.py" --platform windows --prefix "$wine" \
  --program "$build/tesvak.exe" --holder "$build/tests/hold_open.exe" \
  --no-limits "$top"/tests/scenarios/cases/*.case | tee "$log"
cases=$(tail -n 1 "$log")

# The dry run against the run on random trees a Windows system holds, and
# the Windows program's run against the Linux program's, for a bounded time
# each (TESVAK_AGREE_SECONDS, default 120).
linux="$top/build-agree/tesvak"
cmake -S "$top" -B "$top/build-agree" -DTESVAK_TESTS=OFF >/dev/null
cmake --build "$top/build-agree" -j "$(nproc)" --target tesvak >/dev/null
seconds=${TESVAK_AGREE_SECONDS:-120}
echo "== random trees under Wine ($label), $seconds s per mode"
python3 "$top/tests/agree/agree.py" --mode windows --program "$build/tesvak.exe" \
  --prefix "$wine" --seconds "$seconds" | tee "$log"
dry=$(tail -n 1 "$log" | sed 's/^agree [^:]*: //')
python3 "$top/tests/agree/agree.py" --mode both --program "$build/tesvak.exe" \
  --prefix "$wine" --against "$linux" --seconds "$seconds" | tee "$log"
both=$(tail -n 1 "$log" | sed 's/^agree [^:]*: //')
rm -f "$log"
echo "windows: $label ($(basename "$build")/tesvak.exe) under $arch Wine:" \
     "${units:-0} unit tests passed; scenario cases: $cases;" \
     "dry run against run: $dry; against the Linux program: $both"
