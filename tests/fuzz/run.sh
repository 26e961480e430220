#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time,
# starting from its seed corpus.  Fails on the first finding.
# Usage: bash tests/fuzz/run.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
build="$top/build-fuzz"

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESVAK_FUZZ=ON -DTESVAK_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

for target in fuzz_lines fuzz_settings fuzz_echo_areas fuzz_rules_scan fuzz_names; do
  work=$(mktemp -d)
  echo "== $target for ${seconds} s"
  # New inputs go to a scratch corpus; the seeds in the tree stay as they are.
  if ! (cd "$work" && "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$work" "$top/tests/fuzz/corpus/$target" \
        >"$work/log" 2>&1); then
    tail -n 60 "$work/log"
    echo "$target: FINDING (crash input saved in $work)"
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/log" |
    sed "s/^/  $target /"
  rm -rf "$work"
done
echo "fuzzing: no findings"
