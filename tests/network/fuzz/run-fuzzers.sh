#!/usr/bin/env bash
# Builds the fuzz target with clang, then runs it briefly from its seed corpus.
# Usage: run-fuzzers.sh <src folder> <build folder> <seconds>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_root=$1 build=$2 seconds=$3

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVOZEL_SOURCE_ROOT="$source_root" >/dev/null
cmake --build "$build" -j2

# Qt keeps some allocations until exit; leak reports would only show those.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
# New inputs go to a scratch folder so the checked-in seeds stay as they are.
findings=$(mktemp -d)
trap 'rm -rf "$findings"' EXIT
"$build/fuzz_readers" -seed=1 -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=4096 \
    -dict="$here/readers.dict" -artifact_prefix="$build/readers-" \
    "$findings" "$here/corpus" >"$build/readers.log" 2>&1 || {
  tail -n 60 "$build/readers.log" >&2
  echo "fuzz_readers failed; the input that broke it is in $build/readers-*" >&2
  exit 1
}
