#!/usr/bin/env bash
# The screen tests (CTest label "screen") of the default tree, on the Qt
# display backend inside a virtual X server: real windows, screenshots, input
# from xdotool and the clipboard through xclip. One at a time, since they
# share the screen. Their pictures stay in build/default/artifacts/screen.
# Needs a built default tree (scripts/test.sh builds it first).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/default
[[ -f "$build/CTestTestfile.cmake" ]] || { echo "screen-tests: no default build in $build" >&2; exit 1; }
mkdir -p "$build/artifacts/screen"
exec xvfb-run -a -s "-screen 0 1024x768x24" \
  env PLAT_BACKEND=qt PLAT_FONTS=system \
  ctest --test-dir "$build" -L screen --output-on-failure --timeout 600
