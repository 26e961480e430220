#!/usr/bin/env bash
# Builds tesvak and runs it on the example BBS in a scratch copy: first a
# dry run, which shows what a run would copy and changes nothing, then the
# real run, and lists what it made.  Usage: bash examples/run.sh
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build" >/dev/null
cmake --build "$top/build" --target tesvak -j "$(nproc)" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$top/examples/." "$work/"
rm -f "$work/out/.keep" "$work/run.sh"
cd "$work"
echo "== tesvak --dry-run"
"$top/build/tesvak" --dry-run
echo "== tesvak"
status=0
"$top/build/tesvak" || status=$?
echo "tesvak exited with $status; it made:"
ls -l out
exit "$status"
