#!/usr/bin/env bash
# Start-up, memory and hotkey-reaction figures of the real Qelvo.exe under Wine;
# run by tools/bench.sh. The program runs from a fresh temporary folder.
set -euo pipefail
dir=$(mktemp -d)
server=""
trap 'rm -rf "$dir"; [ -z "$server" ] || kill "$server" 2>/dev/null || true' EXIT
# The start-up reads the notice pages; serve them as the run command does.
if [ -f "$QELVO_ROOT/tools/notice_server.py" ]; then
  python3 "$QELVO_ROOT/tools/notice_server.py" >/dev/null 2>&1 &
  server=$!
  sleep 0.5
fi
cp "$QELVO_BUILD/app/Qelvo.exe" "$dir/"
mkdir -p "$dir/脚本"
printf '1、按键盘F1键一次\r\n' | iconv -f UTF-8 -t GBK >"$dir/脚本/tap.ini"
"$WINE_RUN" "$QELVO_BUILD/bench/app_bench.exe" "$dir" "$QELVO_BUILD/tests/input_target.exe" ${APP_BENCH_PASSES:-}
