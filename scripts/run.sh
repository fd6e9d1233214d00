#!/usr/bin/env bash
# Builds and installs the deliverables: a release build of the two shared
# libraries only (no tests, fuzz targets or benchmarks), the same optimised
# configuration that scripts/bench.sh measures, installed into dist/ of the
# checkout, or into the folder given as the first argument. The libraries are
# installed stripped; their debug information goes to lib/.debug/, linked
# by name from each library, where a debugger finds it.
# PELRITH_JOBS limits the parallel compile jobs (default: all cores).
set -euo pipefail
prefix=$(realpath -m "${1:-$(dirname "$0")/../dist}")
cd "$(dirname "$0")/.."
jobs=${PELRITH_JOBS:-$(nproc)}

scripts/setup.sh --run
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
# A fresh tree: nothing of an earlier install lingers beside the new files.
if [[ -z "${1:-}" ]]; then rm -rf "$prefix"; fi
cmake --install build/release --prefix "$prefix" >/dev/null
mkdir -p "$prefix/lib/.debug"
for library in "$prefix"/lib/lib*.so.*.*.*; do
  debug="$prefix/lib/.debug/$(basename "$library").debug"
  objcopy --only-keep-debug "$library" "$debug"
  chmod -x "$debug"
  objcopy --strip-debug --strip-unneeded --add-gnu-debuglink="$debug" "$library"
done
echo "Installed into $prefix:"
(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
