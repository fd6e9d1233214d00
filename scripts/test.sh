#!/usr/bin/env bash
# The whole test suite. The sanitize tree (clang-14, AddressSanitizer and
# UndefinedBehaviorSanitizer) builds the tests of its labels and the libFuzzer
# targets from one set of objects: it runs the library's and the platform's
# tests and a short run of every fuzz target. The default tree builds
# everything and runs every test except the screen tests, which then run on
# the same default tree under a virtual X server (scripts/screen-tests.sh).
# Each phase prints its time.
# Knobs: PELRITH_JOBS (parallel jobs, default: all cores), PELRITH_FUZZ_SECONDS
# (seconds per fuzz target, default 5).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${PELRITH_JOBS:-$(nproc)}
fuzz_seconds=${PELRITH_FUZZ_SECONDS:-5}
started=$SECONDS

# phase <name> <command...>: runs the command and prints how long it took.
phase() {
  local name=$1 phase_started=$SECONDS
  shift
  "$@"
  echo "phase $name: $((SECONDS - phase_started)) s (total $((SECONDS - started)) s)"
}

configure() { cmake --preset "$1" >/dev/null; }

# fuzz_one <binary>: a short libFuzzer run from the target's saved corpus and
# its regression inputs; on failure the log's tail is printed.
fuzz_one() {
  local binary=$1 fuzzer seeds=()
  fuzzer=$(basename "$binary")
  mkdir -p "build/sanitize/corpus/$fuzzer"
  [[ -d "fuzz/regressions/$fuzzer" ]] && seeds=("fuzz/regressions/$fuzzer")
  if "$binary" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 \
      -artifact_prefix="build/sanitize/$fuzzer-" "build/sanitize/corpus/$fuzzer" "${seeds[@]}" \
      >"build/sanitize/$fuzzer.log" 2>&1; then
    echo "fuzz: $fuzzer ran ${fuzz_seconds}s clean"
  else
    tail -n 40 "build/sanitize/$fuzzer.log"
    echo "fuzz: $fuzzer failed"
    return 1
  fi
}

# Every target runs single-threaded, so as many run at once as there are jobs.
smoke_fuzz() {
  export -f fuzz_one
  export fuzz_seconds
  grep -v '^$' build/sanitize/fuzzers.txt | xargs -P "$jobs" -I{} bash -c 'fuzz_one "$1"' _ {}
}

# The sanitize tree builds only what its test preset runs: the test programs
# of its labels (each named after its target; add_dependencies brings what a
# test loads at run time) and the fuzz targets, whose replays are tests too.
# A test without a target of its name makes the whole tree build instead.
sanitize_build() {
  local names targets=() name
  names=$(ctest --preset sanitize -N | sed -n 's/^ *Test *#[0-9]*: //p')
  for name in $names; do
    if ninja -C build/sanitize -t query "$name" >/dev/null 2>&1; then
      targets+=("$name")
    elif ninja -C build/sanitize -t query "${name%_replay}" >/dev/null 2>&1; then
      targets+=("${name%_replay}")
    else
      echo "sanitize build: no target for test $name; building everything"
      targets=()
      break
    fi
  done
  if ((${#targets[@]})); then
    # Every fuzz target, for the smoke run below.
    while read -r name; do [[ -n "$name" ]] && targets+=("$(basename "$name")"); done <build/sanitize/fuzzers.txt
  fi
  cmake --build --preset sanitize -j "$jobs" ${targets[@]:+--target "${targets[@]}"}
}

phase setup scripts/setup.sh

phase "sanitize configure" configure sanitize
phase "sanitize build" sanitize_build
phase "sanitize tests" ctest --preset sanitize -j "$jobs"
phase "fuzz smoke" smoke_fuzz

phase "default configure" configure default
phase "default build" cmake --build --preset default -j "$jobs"
echo "phase default tests: CTest's own time below (total so far $((SECONDS - started)) s)"
ctest --preset default -j "$jobs"
phase "screen tests" scripts/screen-tests.sh
