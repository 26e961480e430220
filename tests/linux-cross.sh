#!/usr/bin/env bash
# Cross-builds the Linux program and its unit tests for an ARM board and
# runs the unit tests, the scenario cases and the dry run against the run on
# random trees under qemu-user, with the target's libraries from Debian's
# cross packages (-L /usr/TRIPLET).
# Usage: bash tests/linux-cross.sh aarch64|armhf
# Needs g++-aarch64-linux-gnu or g++-arm-linux-gnueabihf, and qemu-user.
# A missing compiler or emulator, or a build that fails, fails this script.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
  aarch64) triplet=aarch64-linux-gnu qemu=qemu-aarch64 build="$top/build-arm64" ;;
  armhf) triplet=arm-linux-gnueabihf qemu=qemu-arm build="$top/build-armhf" ;;
  *) echo "usage: bash tests/linux-cross.sh aarch64|armhf"; exit 2 ;;
esac
command -v "$qemu" >/dev/null || { echo "$qemu is missing (package qemu-user)"; exit 1; }
command -v "$triplet-g++" >/dev/null || { echo "$triplet-g++ is missing"; exit 1; }

cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$triplet.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
file "$build/tesvak"
prefix="$qemu -L /usr/$triplet"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "== unit tests under $qemu"
$prefix "$build/tests/unit/tesvak_unit_tests" | tee "$log"
units=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log")
echo "== scenario cases under $qemu"
# Resource limits would bind the emulator, not the program.
python3 "$top/tests/scenarios/run_cases.py" --platform posix --prefix "$prefix" --no-limits \
  --program "$build/tesvak" "$top"/tests/scenarios/cases/*.case | tee "$log"
cases=$(tail -n 1 "$log")
echo "== the dry run against the run on random trees under $qemu"
python3 "$top/tests/agree/agree.py" --program "$build/tesvak" --prefix "$prefix" \
  --trees "${TESVAK_AGREE_TREES:-300}" | tee "$log"
echo "$1: ${units:-0} unit tests passed under $qemu; scenario cases: $cases;" \
     "dry run against run: $(tail -n 1 "$log" | sed 's/^agree [^:]*: //')"
