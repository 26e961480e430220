#!/usr/bin/env bash
# Fails on unformatted code, on clang-tidy findings in src/ (checks chosen in
# .clang-tidy) and on warnings from the manual page.
# Usage: bash scripts/lint.sh [BUILD_DIR]   (a configured build, for its
# compile_commands.json; default build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
cd "$top"

echo "== clang-format"
git ls-files '*.cc' '*.h' '*.c' | xargs clang-format --dry-run -Werror

echo "== clang-tidy"
# The Win32 side needs the Windows headers; the cross build checks it with
# -Wall -Wextra -Werror instead.
if ! out=$(git ls-files 'src/*.cc' | grep -v '_win32\.cc$' |
           xargs clang-tidy -p "$build" --quiet 2>&1); then
  echo "$out" | grep -v 'warnings generated'
  exit 1
fi

echo "== the manual page"
out=$(groff -man -Tutf8 -ww -z doc/tesvak.1 2>&1)
if [ -n "$out" ]; then echo "$out"; exit 1; fi
echo "lint: clean"
