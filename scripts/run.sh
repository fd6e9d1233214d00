#!/usr/bin/env bash
# Set-up, build and install the deliverables into dist/ of the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
cmake --install build/default --prefix "$PWD/dist" >/dev/null
echo "Installed into $PWD/dist:"
find dist -type f | sort
