#!/usr/bin/env bash
# Takes a screenshot of the running program on the simulated board under Xvfb, as a user
# sees it. Optional xdotool key sequences open windows before the picture is taken.
#   scripts/screenshot.sh OUT.png [seconds-to-wait] [keys ...]
# Example: scripts/screenshot.sh docs/main.png 8 alt+v r
# Uses openbox as window manager when it is installed, so the main window is maximised.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "$1"); wait=${2:-8}; shift 2 || true
export HOME=$(mktemp -d)
xvfb-run -a -s "-screen 0 1440x900x24" bash -c '
  command -v openbox >/dev/null && { openbox & sleep 1; }
  build/zandrel-eval & pid=$!
  sleep '"$wait"'
  win=$(xdotool search --name "^Zandrel Evaluation Software" | head -1)
  xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win" || true
  for k in "$@"; do xdotool key --delay 150 $k; sleep 0.8; done
  sleep 1.5
  import -window root "'"$out"'"
  kill $pid
' _ "$@"
echo "$out"
