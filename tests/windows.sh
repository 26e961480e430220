#!/usr/bin/env bash
# Builds the 32-bit Windows program with MinGW and runs the unit tests and
# the scenario cases against it under Wine, in a fresh 32-bit prefix inside
# the build directory.  Usage: bash tests/windows.sh
# Needs g++-mingw-w64-i686-posix (and -x86-64-posix for the 64-bit build),
# wine and wine32 (see .ci/run).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-win32"

cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake"
cmake --build "$build" -j "$(nproc)"
kind=$(file "$build/tesvak.exe")
echo "$kind"
grep -q 'PE32 executable (console) Intel 80386' <<<"$kind"

# The 64-bit variant only has to build.
cmake -S "$top" -B "$top/build-win64" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake" \
  -DTESVAK_TESTS=OFF >/dev/null
cmake --build "$top/build-win64" -j "$(nproc)" >/dev/null
file "$top/build-win64/tesvak.exe" | grep 'PE32+ executable (console) x86-64'

export WINEARCH=win32 WINEDEBUG=-all WINEPREFIX="$build/wineprefix"
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# One persistent wineserver for the whole run: starting Wine afresh for each
# case would cost seconds apiece.  Started before anything whose output is
# piped, so no background Wine process holds a pipe open.
wineserver -p
trap 'wineserver -k || true' EXIT
wineboot -i >/dev/null 2>&1 </dev/null

echo "== unit tests under Wine"
wine "$build/tests/unit/tesvak_unit_tests.exe"

echo "== scenario cases under Wine"
python3 "$top/tests/scenarios/run_cases.py" --platform windows --prefix wine \
  --program "$build/tesvak.exe" --holder "$build/tests/hold_open.exe" \
  --no-limits "$top"/tests/scenarios/cases/*.case
