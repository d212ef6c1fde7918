#!/usr/bin/env bash
# The start-up notices in the real Qelvo.exe, against the loopback notice server
# on the port the win64 build's addresses name (18650): with a new version the
# notice opens before the main window, which waits for it; with the server down
# there is no notice, the banner stays empty and the window comes up; a banner
# page «xx guanggao Hello sguanggao yy» shows « Hello ». Screenshots go to
# $QELVO_BUILD/screenshots; the start-up times are printed.
set -euo pipefail
root=${QELVO_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
build=${QELVO_BUILD:-$root/build/win64}
wine_run=${WINE_RUN:-$build/wine-run}
port=18650
shots=$build/screenshots
work=$(mktemp -d "$build/notices-startup.XXXXXX")
mkdir -p "$shots" "$work/program" "$work/pages"
cp "$build/app/Qelvo.exe" "$work/program/"

if [ -z "${DISPLAY:-}" ]; then
  export QELVO_XVFB=1
  source "$root/tools/wine-session.sh"
  start_wine_session
fi
export LC_ALL=zh_CN.UTF-8

server_pid=""
qelvo_pid=""
stop_qelvo() {
  if [ -n "$qelvo_pid" ]; then kill "$qelvo_pid" 2>/dev/null || true; wait "$qelvo_pid" 2>/dev/null || true; fi
  qelvo_pid=""
}
stop_server() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  server_pid=""
}
cleanup() { stop_qelvo; stop_server; rm -rf "$work"; }
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  import -window root "$shots/failure-notices-startup.png" 2>/dev/null || true
  exit 1
}

# Free when nothing listens there (connections left in TIME_WAIT do not count,
# as for the server itself).
port_free() {
  python3 -c "import socket; s=socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1); s.bind(('127.0.0.1',$port))" 2>/dev/null
}
# The port is shared with anyone running the program on this machine: wait for it.
wait_port_free() {
  for _ in $(seq 300); do port_free && return 0; sleep 0.2; done
  fail "port $port stays busy"
}
start_server() {  # extra server flags...
  wait_port_free
  python3 "$root/tools/notice_server.py" --port $port --pages "$work/pages" --log "$work/server.log" "$@" &
  server_pid=$!
  for _ in $(seq 50); do
    curl -s -o /dev/null "http://127.0.0.1:$port/update.html" && return 0
    sleep 0.1
  done
  fail "the notice server did not start"
}
now_ms() { date +%s%3N; }
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1 || true; }
start_qelvo() {
  t0=$(now_ms)
  (cd "$work/program" && exec "$wine_run" "$work/program/Qelvo.exe") &
  qelvo_pid=$!
}
wait_main() {  # seconds: sets main_wid and ready_ms
  main_wid=""
  for _ in $(seq $(($1 * 20))); do
    main_wid=$(visible '^Qelvo—')
    [ -n "$main_wid" ] && break
    sleep 0.05
  done
  [ -n "$main_wid" ] || fail "the main window did not appear"
  ready_ms=$(( $(now_ms) - t0 ))
}
probe() { "$wine_run" "$build/tests/qelvo_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
# The banner box 简单超文本框1 (id 1012): its window text is the text it shows.
banner_text() { probe texts | awk -F'\t' '$1 == 1012 { print $4 }'; }
step() { echo "[$(( $(now_ms) - t_start )) ms] $*"; }
t_start=$(now_ms)

cp "$root/notices/pages/"*.html "$work/pages/"

step "start"
# 1. A new version: the notice opens first, and the main window waits for it.
start_server --new-version
start_qelvo
notice=""
for _ in $(seq 300); do notice=$(visible '^更新提示：$'); [ -n "$notice" ] && break; sleep 0.05; done
[ -n "$notice" ] || fail "the update notice did not open"
sleep 1
[ -z "$(visible '^Qelvo—')" ] || fail "the main window came up while the notice was open"
import -window root "$shots/startup-notice.png"
timeout 10 xdotool windowfocus --sync "$notice" 2>/dev/null || true
xdotool key Escape
wait_main 30
sleep 1
import -window root "$shots/startup-banner.png"
[ "$(banner_text)" = "Qelvo 公告：新版本即将发布，欢迎访问下载页反馈意见。" ] ||
  fail "the sample banner is not shown: [$(banner_text)]"
stop_qelvo
grep -q '^GET /update.html HTTP/1.0$' "$work/server.log" || fail "the update page was not read with HTTP/1.0"
grep -q '^Referer: http://127.0.0.1:18650/banner.html$' "$work/server.log" || fail "the banner request lacks its Referer"
stop_server

step "new version done"
# 2. The current version and a banner between markers: no notice, « Hello ».
printf 'xx guanggao Hello sguanggao yy' >"$work/pages/banner.html"
start_server
start_qelvo
wait_main 30
served_ms=$ready_ms
[ -z "$(visible '^更新提示：$')" ] || fail "a notice opened for the current version"
sleep 1
import -window root "$shots/startup-banner-hello.png"
[ "$(banner_text)" = " Hello " ] || fail "the banner is not « Hello »: [$(banner_text)]"
stop_qelvo
stop_server

step "current version done"
# 3. The server is down: no notice, an empty banner, and the window comes up.
wait_port_free
start_qelvo
wait_main 60
down_ms=$ready_ms
sleep 1
[ -z "$(visible '^更新提示：$')" ] || fail "a notice opened with the server down"
import -window root "$shots/startup-server-down.png"
[ "$(banner_text)" = "" ] || fail "the banner is not empty with the server down: [$(banner_text)]"
stop_qelvo

echo "start-up to a visible main window: ${served_ms} ms with the pages served, ${down_ms} ms with the server down"
echo "screenshots: $shots/startup-notice.png $shots/startup-banner.png $shots/startup-banner-hello.png $shots/startup-server-down.png"
echo "PASS"
