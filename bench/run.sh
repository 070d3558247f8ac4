#!/usr/bin/env bash
# Builds and runs every benchmark, then measures the running program for 60 s without and
# with the graphs window. The soak (30 minutes) is separate: bench/soak.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
for b in build/bench/bench_*; do
  [ -x "$b" ] && [ -f "$b" ] && { echo "== $(basename "$b")"; "$b"; }
done
echo "== running program, no child window open"
bench/program_load.sh 60 none
echo "== running program, graphs window open"
bench/program_load.sh 60 graphs
