#!/usr/bin/env bash
# Builds tesvak and runs it on the example BBS in a copy of this directory:
# first a dry run, which shows what a run would copy and changes nothing,
# then the real run, and lists what it made.  The copy is kept, so that you
# can look at it and run the program there again.
# Usage: bash examples/run.sh
# Needs only cmake and g++: the program is built alone, without the tests,
# in build-example.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-example"
program="$build/tesvak"

echo "== building tesvak in $build (the first build takes a minute or so)"
cmake -S "$top" -B "$build" -DTESVAK_TESTS=OFF >/dev/null
cmake --build "$build" --target tesvak -j "$(nproc)" >/dev/null
echo "   built $program"

work=$(mktemp -d "${TMPDIR:-/tmp}/tesvak-example.XXXXXX")
cp -r "$top/examples/." "$work/"
rm -f "$work/out/.keep" "$work/run.sh"
cd "$work"
echo "== a copy of the example BBS in $work:"
echo "   tesvak.cfg names squish.cfg, rules/ (with rules/files.bbs) and out/"

echo "== tesvak --dry-run   (what a run would copy; changes nothing)"
"$program" --dry-run
echo "== tesvak   (the real run: prints nothing when all went well)"
status=0
"$program" || status=$?
echo "   tesvak exited with $status; out/ now holds:"
ls out | sed 's/^/   /'

cat <<EOF
== next
   The example is kept in $work; run the program there again with
     cd $work && $program -v
   To use it on your own BBS, write a tesvak.cfg that names your Squish
   configuration (SquishFile), your rules directory (RulesPath) and the
   directory for the .sqr files (OutDir), and run, in its directory,
     $program -n
   first: it shows each copy and what is wrong, and changes nothing.
   To install the program: cmake --install $build (see README.md).
EOF
exit "$status"
