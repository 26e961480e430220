#!/usr/bin/env bash
# Runs the README's two commands as a newcomer would on a fresh machine of
# ours, which has GoogleTest's sources but not its built package: in a fresh
# clone in a mktemp -d directory, inside a private mount namespace where the
# package's headers and CMake files are hidden under empty directories.
# Usage, as root: bash .ci/fresh-machine.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

# The two commands, exactly as the README gives them.
readme_command() { grep -m1 -E "^    $1" "$top/README.md" | sed 's/^    //'; }
run_command=$(readme_command 'bash examples/run.sh')
test_command=$(readme_command 'cmake -S \. -B build ')
[ -n "$run_command" ] && [ -n "$test_command" ] || { echo "README commands not found"; exit 1; }

if [ "${1:-}" != --hidden ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  git clone -q "$top" "$work/tesvak"
  unshare -m --propagation private bash "$0" --hidden "$work/tesvak"
  exit
fi

# In the private namespace: hide the package, then work as the newcomer.
empty=$(mktemp -d)
for dir in /usr/include/gtest /usr/include/gmock /usr/lib/*/cmake/GTest /usr/lib/*/cmake/GMock; do
  if [ -d "$dir" ]; then mount --bind "$empty" "$dir"; fi
done
if [ -e /usr/include/gtest/gtest.h ]; then echo "GoogleTest's package is still visible"; exit 1; fi
cd "$2"
echo "== GoogleTest's package hidden; a fresh clone in $2"
echo "== $run_command"
eval "$run_command"
echo "== $test_command"
eval "$test_command"
grep -q '^gtest_SOURCE_DIR:STATIC=/usr/src/googletest' build/CMakeCache.txt
echo "fresh machine: both README commands passed, GoogleTest built from /usr/src/googletest"
