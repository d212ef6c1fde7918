# Shared by the main-window end-to-end tests (sourced, not a test itself):
# a fresh program folder with the real Qelvo.exe, the probe, the input target,
# xdotool for the person's keys and pointer, screenshots for review.
set -euo pipefail
: "${QELVO_ROOT:?}" "${QELVO_BUILD:?}" "${WINE_RUN:?}"

if [ -z "${DISPLAY:-}" ]; then  # run by hand without the test command's session
  root="$QELVO_ROOT"
  export QELVO_XVFB=1
  source "$QELVO_ROOT/tools/wine-session.sh"
  start_wine_session
fi
export LC_ALL=zh_CN.UTF-8

shots="$QELVO_BUILD/screenshots"
mkdir -p "$shots"
work=$(mktemp -d)
program="$work/program"
mkdir -p "$program"
cp "$QELVO_BUILD/app/Qelvo.exe" "$program/"
qelvo_pid=""
target_pid=""

cleanup_main() {
  [ -n "$target_pid" ] && kill "$target_pid" 2>/dev/null || true
  [ -n "$qelvo_pid" ] && kill "$qelvo_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup_main EXIT

fail() {
  echo "FAIL: $*" >&2
  import -window root "$shots/failure-$(basename "$0" .sh).png" 2>/dev/null || true
  exit 1
}

probe() { "$WINE_RUN" "$QELVO_BUILD/tests/qelvo_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }

# Control ids, as the window's control table numbers them.
declare -A id=(
  [GroupBox1]=1001 [ListView1]=1003 [Edit3]=1005 [Button8]=1006 [Button7]=1007 [Button6]=1008
  [Button5]=1009 [Button9]=1010 [Button10]=1011 [ComboBox1]=1014 [Button1]=1016 [ComboBox2]=1018
  [Button2]=1020 [Edit1]=1022 [Button3]=1025 [Edit2]=1027 [Button4]=1028 [ComboBox3]=1033
  [Edit4]=1034 [Button11]=1036
)

start_qelvo() {
  "$WINE_RUN" "$program/Qelvo.exe" &
  qelvo_pid=$!
  probe wait 30000 >/dev/null || fail "the main window did not appear"
  main_wid=$(xdotool search --name '^Qelvo—' | head -1)
  [ -n "$main_wid" ] || fail "no X window for the main window"
}

# The text of one control (line breaks as \n).
control_text() { probe texts | awk -F'\t' -v id="$1" '$1 == id { print $4 }'; }
control_state() { probe texts | awk -F'\t' -v id="$1" '$1 == id { print $2 $3 }'; }  # visible, enabled

click_at() { xdotool mousemove --sync "$1" "$2" click 1; }
click_control() {
  local xy
  xy=$(probe rect "${id[$1]}") || fail "no control $1"
  # shellcheck disable=SC2086
  click_at $xy
}
click_child() {  # window title, child class, index
  local xy
  xy=$(probe child "$1" "$2" "$3") || fail "no $2 #$3 in $1"
  # shellcheck disable=SC2086
  click_at $xy
}

focus_main() { xdotool windowfocus --sync "$main_wid" 2>/dev/null || true; sleep 0.2; }

# A key press long enough for the 10 ms poll to see it.
press_key() { xdotool keydown "$1"; sleep 0.3; xdotool keyup "$1"; sleep 0.1; }

wait_for() {  # seconds, command...: until the command succeeds
  local limit=$1; shift
  local end=$((SECONDS + limit))
  while ! "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}

message_is() { [ "$(probe message)" = "$1" ]; }
expect_message() {  # text [screenshot name]
  wait_for 15 message_is "$1" || fail "expected the message '$1', saw '$(probe message)'"
  if [ -n "${2:-}" ]; then import -window root "$shots/$2.png"; fi
  local wid
  wid=$(xdotool search --name '^信息：$' | head -1)
  xdotool windowfocus --sync "$wid" 2>/dev/null || true
  xdotool key Return
  wait_for 10 no_message || { probe closemessage; wait_for 5 no_message || fail "the message stayed open"; }
}
no_message() { ! probe message >/dev/null; }
window_shown() { [ "$(probe shown)" = 1 ]; }
window_hidden() { [ "$(probe shown)" = 0 ]; }
window_gone() { ! probe find "$1" >/dev/null; }

rows_are() { [ "$(probe rows)" = "$1" ]; }
expect_rows() { wait_for 10 rows_are "$1" || fail "rows: expected [$1], got [$(probe rows)]"; }

run_button_shows() { [ "$(control_state "${id[Button6]}")" = 11 ]; }

# A script file in the program's script folder; lines given in UTF-8.
write_script() {  # name, lines...
  local name=$1; shift
  mkdir -p "$program/脚本"
  local n=1 line
  : >"$program/脚本/$name.ini"
  for line in "$@"; do
    printf '%s、%s\r\n' "$n" "$line" | iconv -f UTF-8 -t GBK >>"$program/脚本/$name.ini"
    n=$((n + 1))
  done
}

# Load a saved script through the load window, as a person would.
load_script() {  # file name without .ini, [screenshot name]
  click_control Button10
  wait_for 10 probe find 读入脚本 >/dev/null || fail "the load window did not open"
  local xy
  xy=$(probe listitem 读入脚本 "$1.ini") || fail "the file list does not show $1.ini"
  # shellcheck disable=SC2086
  click_at $xy
  if [ -n "${2:-}" ]; then import -window root "$shots/$2.png"; fi
  click_child 读入脚本 Button 0
  wait_for 10 window_gone 读入脚本 || fail "the load window stayed open"
}

start_target() {  # log file
  "$WINE_RUN" "$QELVO_BUILD/tests/input_target.exe" "$1" 700 100 400 300 &
  target_pid=$!
  wait_for 20 grep -q '^ready' "$1" || fail "the input target did not start"
  target_wid=$(xdotool search --name '^E2E input target$' | head -1)
}

focus_target() { xdotool windowfocus --sync "$target_wid" 2>/dev/null || true; sleep 0.3; }
