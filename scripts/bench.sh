#!/usr/bin/env bash
# Installs Google Benchmark and the peer libraries, builds the benchmarks in
# the Release configuration that scripts/run.sh ships, runs every benchmark
# program pinned to one core with 5 repetitions, and prints one table of all
# ours/peer pairs (scripts/bench_table.py): the median CPU time of each side,
# the ratio in CPU and wall time, the spread and the goal of the row. A pair
# whose side failed or never ran is printed as such; nothing is dropped.
#
#   scripts/bench.sh [REGEX]   only the programs whose name matches REGEX
#
# PELRITH_BENCH_CORE picks the core (default: the last one),
# PELRITH_BENCH_REPETITIONS the repetitions (default 5), PELRITH_JOBS the
# compile jobs (default 3); PELRITH_BENCH_NO_BUILD=1 runs what is built. The own DCT codec is also run against
# libjpeg-turbo's scalar code (JSIMD_FORCENONE=1), labelled
# "libjpegturbo-scalar".
set -euo pipefail
cd "$(dirname "$0")/.."
filter=${1:-.}
core=${PELRITH_BENCH_CORE:-$(($(nproc) - 1))}
repetitions=${PELRITH_BENCH_REPETITIONS:-5}
jobs=${PELRITH_JOBS:-3}

if [[ -z "${PELRITH_BENCH_NO_BUILD:-}" ]]; then
  scripts/setup.sh --bench
  cmake --preset bench >/dev/null
  cmake --build --preset bench -j "$jobs" --target benchmarks
fi

out=build/bench/results
rm -rf "$out"
mkdir -p "$out"
results=()
listed=()
failed=()

# run NAME PROGRAM LABEL FILTER [ENV...]: one program, pinned, repeated; its
# listed benchmarks are kept so that one that never reports still gets its row.
run() {
  local name=$1 program=$2 label=$3 only=$4
  shift 4
  env "$@" "$program" --benchmark_filter="$only" --benchmark_list_tests >"$out/$name.list" 2>/dev/null || true
  if ! env "$@" taskset -c "$core" "$program" --benchmark_filter="$only" --benchmark_repetitions="$repetitions" \
      --benchmark_out="$out/$name.json" --benchmark_out_format=json \
      --benchmark_format=console >"$out/$name.log" 2>&1; then
    failed+=("$name (see $out/$name.log)")
  fi
  results+=("$out/$name.json${label:+:$label}")
  listed+=(--listed "$out/$name.list${label:+:$label}")
}

for program in build/bench/bench/*_bench; do
  [[ -x "$program" ]] || continue
  name=$(basename "$program")
  [[ "$name" =~ $filter ]] || continue
  echo "running $name on core $core ($repetitions repetitions)" >&2
  run "$name" "$program" "" .
  if [[ "$name" == jpeg_dct_bench ]]; then
    # The same pairs against libjpeg-turbo's scalar code.
    run "${name}_scalar" "$program" libjpegturbo-scalar libjpegturbo JSIMD_FORCENONE=1
  fi
done

echo
echo "Median of $repetitions repetitions on core $core, milliseconds; A/B < 1 means A is faster."
echo "Load average while running: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 scripts/bench_table.py "${results[@]}" "${listed[@]}"
if ((${#failed[@]})); then
  printf 'program failed: %s\n' "${failed[@]}"
  exit 1
fi
