#!/usr/bin/env bash
# Builds the fuzz targets with clang, then runs each one briefly from its seed corpus.
# Usage: run-fuzzers.sh <src folder> <build folder> <seconds per target>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_root=$1 build=$2 seconds=$3

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVOZEL_SOURCE_ROOT="$source_root" >/dev/null
cmake --build "$build" -j2

# Qt keeps some allocations until exit; leak reports would only show those.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
for target in link answer xml; do
  findings=$(mktemp -d)
  log=$build/$target.log
  # New inputs go to a scratch folder so the checked-in seeds stay as they are.
  if "$build/fuzz_$target" -seed=1 -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=4096 \
      -dict="$here/$target.dict" -artifact_prefix="$build/$target-" -print_final_stats=1 \
      "$findings" "$here/corpus/$target" >"$log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units)' "$log" | sed "s/^/fuzz_$target: /"
    rm -rf "$findings"
  else
    rm -rf "$findings"
    tail -n 60 "$log" >&2
    echo "fuzz_$target failed; the input that broke it is in $build/$target-*" >&2
    exit 1
  fi
done
