#!/usr/bin/env bash
# Idle cost of the hotkey poll: CPU share of one core used by an idle window
# process with Home and End registered (10 ms poll), beside the same process with
# nothing registered, and the wineserver's share during each; one run, in turn.
# Needs the wine session of tools/bench.sh (QELVO_BUILD, WINE_RUN, DISPLAY).
set -euo pipefail
: "${QELVO_BUILD:?}" "${WINE_RUN:?}"
probe="$QELVO_BUILD/tests/hotkey_probe.exe"
seconds=${QELVO_IDLE_SECONDS:-10}
prefix=${WINEPREFIX:-${QELVO_ROOT:?}/build/wineprefix}
hz=$(getconf CLK_TCK)

# The wineserver of this prefix lives in a directory named after the prefix's
# device and inode; other developers' servers live elsewhere.
read -r dev ino < <(stat -c '%d %i' "$prefix")
server_dir=$(printf 'server-%x-%x' "$dev" "$ino")
server_pid=""
for p in $(pgrep wineserver || true); do
  case "$(readlink "/proc/$p/cwd" 2>/dev/null)" in */"$server_dir") server_pid=$p ;; esac
done
[ -n "$server_pid" ] || { echo "no wineserver for $prefix (start the wine session first)"; exit 1; }

cpu_ticks() {  # utime + stime of a process, in clock ticks
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {  # label, probe options...
  local label=$1; shift
  local log="$work/probe.log"
  "$WINE_RUN" "$probe" --lifetime $(( (seconds + 3) * 1000 )) "$@" >"$log" 2>&1 &
  local pid=$!
  for _ in $(seq 200); do grep -q '^ready' "$log" && break; sleep 0.1; done
  sleep 1  # past the start-up work
  local p0 s0 t0 p1 s1 t1
  p0=$(cpu_ticks "$pid"); s0=$(cpu_ticks "$server_pid"); t0=$(date +%s.%N)
  sleep "$seconds"
  p1=$(cpu_ticks "$pid"); s1=$(cpu_ticks "$server_pid"); t1=$(date +%s.%N)
  wait "$pid"
  local ticks
  ticks=$(sed -n 's/^exit ticks=//p' "$log")
  awk -v l="$label" -v p=$((p1 - p0)) -v s=$((s1 - s0)) -v t0="$t0" -v t1="$t1" -v hz="$hz" -v k="$ticks" \
      -v life=$((seconds + 3)) 'BEGIN {
    wall = t1 - t0
    printf "%-28s %10.2f %12.2f %16.1f\n", l, 100 * p / hz / wall, 100 * s / hz / wall, k / life
  }'
}

echo "idle ${seconds} s per row, CPU share of one core (%), clock tick $((1000 / hz)) ms"
printf "%-28s %10s %12s %16s\n" "process" "probe" "wineserver" "poll ticks/s"
measure "window, no registrations" --no-poll
measure "window, Home+End polled"
