#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
if [ $# -gt 0 ]; then
  exec ctest --output-on-failure -j "$(nproc)" "$@"
fi
# Unit and window tests, then the end-to-end cases on the real program. An end-to-end case
# drives a real X server and accessibility bus; one that fails is run once more, and both
# outcomes show in the output.
ctest --output-on-failure -j "$(nproc)" -LE e2e
ctest --output-on-failure -j "$(nproc)" -L e2e --repeat until-pass:2
