#!/usr/bin/env bash
# Builds and installs the deliverables: a release build of the two shared
# libraries only (no tests, fuzz targets or benchmarks), installed stripped
# into dist/ of the checkout, or into the folder given as the first argument.
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
cmake --install build/release --prefix "$prefix" --strip >/dev/null
echo "Installed into $prefix:"
(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
