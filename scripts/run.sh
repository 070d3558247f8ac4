#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting under xvfb-run (set QT_QPA_PLATFORM=offscreen to run without one)."
  exec xvfb-run -a -s "-screen 0 1600x1000x24" build/zandrel-eval "$@"
fi
exec build/zandrel-eval "$@"
