#!/usr/bin/env bash
# The soak run: the program with every window open and logging every 10 ms, for 30 minutes
# (SOAK_SECONDS sets another length). Prints CPU share, memory, log lines and tick rate.
#   bench/soak.sh            # after scripts/build.sh
set -euo pipefail
cd "$(dirname "$0")/.."
exec /usr/bin/python3 tests/e2e/run_e2e.py --build build soak
