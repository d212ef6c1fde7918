#!/usr/bin/env bash
# Builds the win64 program and starts it under Wine.
#  - With a display (DISPLAY set): the window opens there; the command returns
#    when the program ends.
#  - Without one: a virtual display is started, the window is waited for, a
#    screenshot is saved under build/ and the program is ended again.
# The program runs from its own folder build/win64/program/, where it keeps
# its script folder 脚本 and the files it writes beside itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/tools/setup.sh"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Qelvo

program_dir="$root/build/win64/program"
mkdir -p "$program_dir"
# Copy and rename, so an exe that is still mapped somewhere is never rewritten in place.
cp "$root/build/win64/app/Qelvo.exe" "$program_dir/.Qelvo.exe.new"
mv -f "$program_dir/.Qelvo.exe.new" "$program_dir/Qelvo.exe"

headless=0
[ -n "${DISPLAY:-}" ] || headless=1
source "$root/tools/wine-session.sh"
start_wine_session

server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  stop_wine_session
}
trap cleanup EXIT

# The notice pages the program reads at start-up, served on the loopback.
if [ -f "$root/tools/notice_server.py" ]; then
  python3 "$root/tools/notice_server.py" >/dev/null 2>&1 &
  server_pid=$!
fi

"$root/build/win64/wine-run" "$program_dir/Qelvo.exe" &
program_pid=$!

wid=""
for _ in $(seq 150); do
  wid=$(xdotool search --name '^Qelvo' 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.2
done
if [ -z "$wid" ]; then
  echo "run: the Qelvo window did not appear" >&2
  kill "$program_pid" 2>/dev/null || true
  exit 1
fi
sleep 1  # let it paint
shot="$root/build/qelvo-window.png"
import -window root "$shot" 2>/dev/null || true
echo "run: Qelvo is running on display $DISPLAY; screenshot saved to $shot"

if [ $headless = 1 ]; then
  kill "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  echo "run: no display was set, so the program ran on a virtual one and has been ended"
else
  wait "$program_pid" || true
fi
