#!/usr/bin/env bash
# Global hotkeys through the real keyboard road: X key events from xdotool reach
# the focused Wine window, the 10 ms poll reads them from the async key state and
# starts the callbacks on worker threads (tests/e2e/hotkey_probe.cpp reports them).
set -euo pipefail
: "${QELVO_BUILD:?}" "${WINE_RUN:?}" "${DISPLAY:?needs the display of a wine session}"
probe="$QELVO_BUILD/tests/hotkey_probe.exe"
work=$(mktemp -d "$QELVO_BUILD/e2e-hotkeys.XXXXXX")
log="$work/probe.log"
probe_pid=""
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cleanup() {
  if [ -n "$probe_pid" ]; then kill "$probe_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

start_probe() {
  : >"$log"
  "$WINE_RUN" "$probe" "$@" >"$log" 2>&1 &
  probe_pid=$!
  for _ in $(seq 200); do grep -q '^ready' "$log" && break; sleep 0.1; done
  grep -q '^ready' "$log" || { cat "$log"; echo "FAIL: the probe did not start"; exit 1; }
  local wid
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^hotkey probe$' | head -1) || true
  [ -n "$wid" ] || { echo "FAIL: the probe window did not appear"; exit 1; }
  # The async key state follows X key events only while a Wine window has the focus.
  xdotool windowfocus --sync "$wid"
  sleep 0.3
}

stop_probe() {
  xdotool key Escape
  local status=0
  wait "$probe_pid" || status=$?
  probe_pid=""
  [ "$status" = 0 ] || fail "the probe ended with status $status"
}

fired() { grep -c "^fired $1 " "$log" || true; }

# Waits until callback $1 has fired $2 times in all, then a little longer to
# catch an extra firing; a "nothing more fires" check passes the count it had.
expect_fired() {
  local name=$1 wanted=$2 what=$3
  for _ in $(seq 30); do [ "$(fired "$name")" -ge "$wanted" ] && break; sleep 0.1; done
  sleep 0.3
  local got
  got=$(fired "$name")
  if [ "$got" = "$wanted" ]; then echo "ok: $what"; else fail "$what: $name fired $got times in all, expected $wanted"; fi
}

hold() {  # key, seconds [, modifier held around it]
  if [ -n "${3:-}" ]; then xdotool keydown "$3"; sleep 0.15; fi
  xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"
  if [ -n "${3:-}" ]; then xdotool keyup "$3"; fi
  sleep 0.1
}

# The firing's argument is the record's id, and it runs on a thread of its own.
check_firing_lines() {
  local name=$1 id=$2
  grep "^fired $name " "$log" | while read -r _ _ arg thread ui; do
    [ "$arg" = "arg=$id" ] || echo "FAIL: $name got $arg, expected arg=$id"
    [ "${thread#thread=}" != "${ui#ui=}" ] || echo "FAIL: $name ran on the UI thread"
  done | tee "$work/lines"
  if [ -s "$work/lines" ]; then failures=$((failures + 1)); fi
}

echo "== idle window with its message loop"
start_probe
grep -q '^registered home=1000001 end=1000002$' "$log" || fail "registration ids: $(grep registered "$log")"

hold End 0.2
expect_fired end 1 "a short End press fires once"
grep -q '^key 35$' "$log" || fail "the focused window did not receive End"

hold End 1.5
expect_fired end 2 "End held 1.5 s fires once more"

hold End 0.3 ctrl
expect_fired end 2 "End with Ctrl held fires nothing"

xdotool keydown ctrl; sleep 0.15; xdotool keydown End; sleep 0.2
xdotool keyup ctrl; sleep 0.3; xdotool keyup End; sleep 0.1
expect_fired end 2 "Ctrl released while End stays down still fires nothing"

hold End 0.2
expect_fired end 3 "End pressed alone again fires"

hold Home 0.2
expect_fired home 1 "Home fires its own callback"
check_firing_lines end 1000002
check_firing_lines home 1000001
stop_probe
ticks=$(sed -n 's/^exit ticks=//p' "$log")
[ "${ticks:-0}" -gt 0 ] || fail "no poll tick was dispatched"
cp "$log" "$work/loop.log"

echo "== UI thread inside a pumping wait"
start_probe --wait
hold End 0.2
expect_fired end 1 "End fires while the UI thread waits"
check_firing_lines end 1000002
stop_probe
# The firing happened inside the wait, not after it.
order=$(grep -E '^(wait begin|fired end|wait end)' "$log" | cut -c1-9 | tr '\n' ',')
[ "$order" = "wait begi,fired end,wait end," ] || fail "firing outside the wait: $order"

if [ "$failures" -gt 0 ]; then
  echo "--- last probe log"; cat "$log"
  exit 1
fi
rm -rf "$work"
echo "all hotkey checks passed"
