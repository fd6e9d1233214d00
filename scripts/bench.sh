#!/usr/bin/env bash
# Installs Google Benchmark and the peer libraries, builds the benchmarks and
# runs them; each ours/peer pair is followed by the ratio of their times.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)"
for bench in build/bench/bench/*_bench; do
  [[ -x "$bench" ]] || continue
  "$bench" --benchmark_format=console --benchmark_out="$bench.json" --benchmark_out_format=json
  python3 - "$bench.json" <<'PY'
import json, sys, collections
runs = json.load(open(sys.argv[1]))["benchmarks"]
pairs = collections.defaultdict(dict)
for run in runs:
    name = run["name"]
    base, _, rest = name.partition("_ours")
    if rest is not None and "_ours" in name:
        pairs[base + rest]["ours"] = run["real_time"]
        continue
    for peer in ("_malloc", "_libtiff", "_libpng", "_libjpeg", "_libvips", "_opencv", "_turbo"):
        if peer in name:
            b, _, r = name.partition(peer)
            pairs[b + r]["peer"] = run["real_time"]
for key, times in sorted(pairs.items()):
    if "ours" in times and "peer" in times:
        print(f"ratio {key}: ours/peer = {times['ours'] / times['peer']:.2f}")
PY
done
