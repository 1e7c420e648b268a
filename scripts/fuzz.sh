#!/usr/bin/env bash
# Builds the outline-reader fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a fixed time.
# Usage: scripts/fuzz.sh [seconds] [seed folder...]
# The corpus starts from the outline files in the seed folders (the test
# suite leaves the files it saves in build/seeds) and is kept in
# build-fuzz/corpus between runs. A crash leaves its input in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSHROTL_FUZZ=ON -DSHROTL_TESTS=OFF -DSHROTL_BENCH=OFF -DSHROTL_TOOLS=OFF >/dev/null
cmake --build build-fuzz --target shrotl_fuzz_open
mkdir -p build-fuzz/corpus
for folder in "$@"; do
  [ -d "$folder" ] && find "$folder" -type f -name "*.otl" -size -256k -exec cp {} build-fuzz/corpus/ \; 2>/dev/null || true
done
cd build-fuzz
# A hostile file may not make the reader allocate without bound: any single
# allocation over 64 MiB is a finding.
# The sanitizer runtimes are shared (the platform layers need them so).
export LD_LIBRARY_PATH="$(clang++ --print-runtime-dir)${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export ASAN_OPTIONS="verify_asan_link_order=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
status=0
fuzz/shrotl_fuzz_open -max_total_time="$seconds" -malloc_limit_mb=64 -rss_limit_mb=2048 \
  -max_len=262144 -print_final_stats=1 corpus >fuzz.log 2>&1 || status=$?
grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done )|ERROR|SUMMARY' fuzz.log || true
echo "corpus: $(ls corpus | wc -l) files"
[ "$status" -eq 0 ] || { tail -40 fuzz.log; exit "$status"; }
