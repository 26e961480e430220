#!/usr/bin/env bash
# Builds tesvak and runs it on the example BBS in a scratch copy: first a
# dry run, which shows what a run would copy and changes nothing, then the
# real run, and lists what it made.  Usage: bash examples/run.sh
# Needs only cmake and g++: the program is built alone, without the tests,
# in a build directory of its own.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-example"
cmake -S "$top" -B "$build" -DTESVAK_TESTS=OFF >/dev/null
cmake --build "$build" --target tesvak -j "$(nproc)" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$top/examples/." "$work/"
rm -f "$work/out/.keep" "$work/run.sh"
cd "$work"
echo "== tesvak --dry-run"
"$build/tesvak" --dry-run
echo "== tesvak"
status=0
"$build/tesvak" || status=$?
echo "tesvak exited with $status; it made:"
ls -l out
exit "$status"
