# Sourced by the test, run and benchmark commands: a virtual display when there is
# none (or when QELVO_XVFB=1), and one persistent wineserver for the whole session,
# whose services are started up front so they never hold a test's output open.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX="$root/build/wineprefix" WINEARCH=win64 WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
QELVO_OWN_XVFB=""

start_wine_session() {
  if [ -z "${DISPLAY:-}" ] || [ "${QELVO_XVFB:-}" = 1 ]; then
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QELVO_OWN_XVFB=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  # A server left from another display would serve this session's windows badly.
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  /usr/lib/wine/wineserver64 -w 2>/dev/null || true
  /usr/lib/wine/wineserver64 -p
  /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 </dev/null || true
  trap stop_wine_session EXIT
}

stop_wine_session() {
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  if [ -n "$QELVO_OWN_XVFB" ]; then kill "$QELVO_OWN_XVFB" 2>/dev/null || true; fi
}
