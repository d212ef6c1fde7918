#!/usr/bin/env bash
# Builds the win64 preset and runs every benchmark under Wine on a virtual display.
# Each bench/*.sh prints its own table; the README quotes them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/tools/setup.sh"
cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null
export QELVO_XVFB=1
source "$root/tools/wine-session.sh"
start_wine_session
export QELVO_ROOT="$root" QELVO_BUILD="$root/build/win64" WINE_RUN="$root/build/win64/wine-run"
for b in "$root"/bench/*.sh; do
  [ -e "$b" ] || continue
  echo "== $(basename "$b" .sh)"
  bash "$b"
done
