#!/usr/bin/env bash
# Builds the three presets and runs every test: native unit tests and the fuzzer,
# the same unit tests and the Windows tests under Wine, and the end-to-end tests.
# Usage: tools/test.sh            (from anywhere; installs what is missing first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/tools/setup.sh"

for preset in native win64 win32; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

source "$root/tools/wine-session.sh"
start_wine_session

status=0
summary=()
run_layer() {  # name, ctest arguments...
  local name=$1; shift
  local log="$root/build/test-$name.log"
  echo "== test $name"
  if ctest "$@" --output-on-failure 2>&1 | tee "$log"; then :; else status=1; fi
  local counts
  counts=$({ grep -hoE '\[  PASSED  \] [0-9]+ tests?' "$log" || true; } | awk '{n+=$4} END {print n+0}')
  summary+=("$name: $(grep -E 'tests passed' "$log" | tail -1) ($counts GoogleTest cases passed)")
}
run_layer native --preset native -V
run_layer windows --preset win64 -V -E '^e2e\.'
if ctest --preset win64 -N -R '^e2e\.' | grep -q 'Total Tests: [1-9]'; then
  run_layer e2e --preset win64 -V -R '^e2e\.'
fi

echo "== summary"
printf '%s\n' "${summary[@]}"
[ $status = 0 ] && echo "ALL TESTS PASSED" || echo "SOME TESTS FAILED"
exit $status
