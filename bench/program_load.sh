#!/usr/bin/env bash
# Measures the running program on the simulated board under Xvfb: CPU share of one core
# and resident memory over a period, after the bring-up.
#   bench/program_load.sh [seconds] [graphs|none]
# "none" closes the graphs window the bring-up opens (no child window open);
# "graphs" leaves it open. Needs the build (scripts/build.sh), xvfb, xdotool; openbox
# (optional) gives the keyboard focus a window manager. SHOT=file.png keeps a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
mode=${2:-none}
export HOME=$(mktemp -d)  # keep the measured run's settings apart
xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  command -v openbox >/dev/null && { openbox >/dev/null 2>&1 & sleep 1; }
  build/zandrel-eval & pid=$!
  sleep 8   # the bring-up waits about 5 s
  if [ "'"$mode"'" = none ]; then
    win=$(xdotool search --name "^Zandrel Evaluation Software" | head -1)
    xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win" || true
    xdotool key ctrl+w
    sleep 1
    [ -n "${SHOT:-}" ] && import -window root "$SHOT" 
  fi
  hz=$(getconf CLK_TCK)
  read -r u0 s0 < <(awk "{print \$14, \$15}" /proc/$pid/stat)
  rss0=$(awk "/VmRSS/ {print \$2}" /proc/$pid/status)
  sleep '"$seconds"'
  read -r u1 s1 < <(awk "{print \$14, \$15}" /proc/$pid/stat)
  rss1=$(awk "/VmRSS/ {print \$2}" /proc/$pid/status)
  kill $pid
  awk -v d=$(( (u1 + s1) - (u0 + s0) )) -v hz=$hz -v t='"$seconds"' -v r0=$rss0 -v r1=$rss1 \
    "BEGIN { printf \"CPU %.2f %% of one core over %d s; RSS %d KiB at start, %d KiB at end\\n\", 100 * d / hz / t, t, r0, r1 }"
'
