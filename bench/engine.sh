#!/usr/bin/env bash
# Wait accuracy and run throughput of the engine; run by tools/bench.sh under Wine.
set -euo pipefail
"$WINE_RUN" "$QELVO_BUILD/bench/engine_bench.exe"
