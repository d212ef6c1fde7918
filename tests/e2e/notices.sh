#!/usr/bin/env bash
# The start-up notices end to end: a probe window whose created event runs the
# update check and the banner read like the main window's start-up, against the
# loopback notice server. Checks that the notice opens for the marker and the
# window waits for it, that a dead server gives no notice and an empty banner,
# and that the banner shows the text between the markers; saves screenshots of
# the notice and the banner under $QELVO_BUILD/screenshots and prints start-up times.
set -euo pipefail
root=${QELVO_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
build=${QELVO_BUILD:-$root/build/win64}
wine_run=${WINE_RUN:-$build/wine-run}
probe=$build/tests/notice_probe.exe
shots=$build/screenshots
work=$(mktemp -d "$build/notices-e2e.XXXXXX")
mkdir -p "$shots"

if [ -z "${DISPLAY:-}" ]; then
  source "$root/tools/wine-session.sh"
  start_wine_session
fi

server_pid=""
probe_pid=""
cleanup() {
  [ -n "$probe_pid" ] && kill "$probe_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; [ -f "$work/probe.log" ] && cat "$work/probe.log"; exit 1; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

python3 "$root/tools/notice_server.py" --port 0 --port-file "$work/port" --log "$work/server.log" --idle-exit 300 &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || fail "notice server did not start"
base="http://127.0.0.1:$(cat "$work/port")"
dead="http://127.0.0.1:$(free_port)"

# start_probe UPDATE_URL BANNER_URL CLOSE_AFTER_MS: runs the probe in the background.
start_probe() {
  rm -f "$work/probe.log"
  "$wine_run" "$probe" --update "$1" --banner "$2" --log "$(winpath "$work/probe.log")" --close-after "$3" &
  probe_pid=$!
}
wait_log() {  # pattern, seconds
  for _ in $(seq $(($2 * 10))); do
    grep -q "$1" "$work/probe.log" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
finish_probe() {
  wait "$probe_pid" || true
  probe_pid=""
}
field() { grep -o "$1-ms=[0-9]*" "$work/probe.log" | head -1 | cut -d= -f2 || true; }

# 1. The update page carries the marker: the notice opens and the window waits for it.
start_probe "$base/update-new.html" "$base/banner.html" 4000
notice=""
for _ in $(seq 150); do
  notice=$(xdotool search --onlyvisible --name '^更新提示：$' 2>/dev/null | tail -1 || true)
  [ -n "$notice" ] && break
  sleep 0.1
done
[ -n "$notice" ] || fail "the update notice did not open"
sleep 1
import -window root "$shots/notice-update.png"
grep -q 'update-notice=' "$work/probe.log" && fail "the start-up went on while the notice was open"
grep -q 'ready-ms' "$work/probe.log" && fail "the window became usable while the notice was open"
# Closed like a person would: focus it and press Esc.
timeout 10 xdotool windowfocus --sync "$notice" 2>/dev/null || true
xdotool key Escape
wait_log 'ready-ms' 30 || fail "the start-up did not finish after the notice was closed"
grep -q 'update-notice=1' "$work/probe.log" || fail "the notice was not reported"
grep -q 'disabled-while-notice=1 enabled-while-notice=0' "$work/probe.log" ||
  fail "the window was not disabled while the notice was open"
grep -q 'banner=\[Qelvo 公告：新版本即将发布，欢迎访问下载页反馈意见。\]' "$work/probe.log" ||
  fail "the sample banner was not shown"
sleep 0.5
import -window root "$shots/notice-banner.png"
finish_probe
grep -q '^GET /update-new.html HTTP/1.0$' "$work/server.log" || fail "the update page was not read with HTTP/1.0"
grep -q '^GET /banner.html HTTP/1.1$' "$work/server.log" || fail "the banner page was not requested"

# 2. The banner text between the markers, with its blanks; no marker, no notice.
start_probe "$base/update.html" "$base/echo?b=xx%20guanggao%20Hello%20sguanggao%20yy" 2500
wait_log 'ready-ms' 30 || fail "the start-up did not finish"
grep -q 'update-notice=0' "$work/probe.log" || fail "a notice opened without the marker"
grep -q 'banner=\[ Hello \]' "$work/probe.log" || fail "the banner is not « Hello »"
sleep 0.5
import -window root "$shots/notice-banner-hello.png"
finish_probe
served_ready=$(field ready)
served_steps=$(( $(field step6-end) - $(field step5-start) ))

# 3. The server is down: no notice, an empty banner, and the window becomes usable.
start_probe "$dead/update-new.html" "$dead/banner.html" 1500
wait_log 'ready-ms' 60 || fail "the start-up did not finish with the server down"
grep -q 'update-notice=0' "$work/probe.log" || fail "a notice opened with the server down"
grep -q 'banner=\[\]' "$work/probe.log" || fail "the banner is not empty with the server down"
xdotool search --onlyvisible --name '^更新提示：$' >/dev/null 2>&1 && fail "a notice window exists with the server down"
finish_probe
down_ready=$(field ready)
down_steps=$(( $(field step6-end) - $(field step5-start) ))

echo "pages served: steps 5 and 6 took ${served_steps} ms, window usable ${served_ready} ms after process start"
echo "server down:  steps 5 and 6 took ${down_steps} ms, window usable ${down_ready} ms after process start"
echo "screenshots: $shots/notice-update.png $shots/notice-banner.png $shots/notice-banner-hello.png"
echo "PASS"
