#!/usr/bin/env bash
# The whole test suite: set-up, the default build and its tests, the sanitizer
# build with the library's tests, and a short run of every fuzz target. The
# last lines are CTest's summary of the default build's run.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${PELRITH_JOBS:-$(nproc)}
fuzz_seconds=${PELRITH_FUZZ_SECONDS:-5}

scripts/setup.sh

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
while read -r fuzzer; do
  [[ -n "$fuzzer" ]] || continue
  echo "fuzz: $fuzzer for ${fuzz_seconds}s"
  seeds="fuzz/regressions/$fuzzer"
  mkdir -p "build/fuzz/corpus/$fuzzer"
  "build/fuzz/fuzz/$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 \
    -artifact_prefix="build/fuzz/$fuzzer-" "build/fuzz/corpus/$fuzzer" "$seeds" >"build/fuzz/$fuzzer.log" 2>&1 ||
    { tail -n 40 "build/fuzz/$fuzzer.log"; echo "fuzz: $fuzzer failed"; exit 1; }
done <build/fuzz/fuzzers.txt

cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"
