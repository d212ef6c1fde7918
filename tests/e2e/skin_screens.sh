#!/usr/bin/env bash
# The real program's look without and with its skin: the main window, the save
# window and a message box from the Home key's thread. "Without" places a library
# that skins nothing as SkinH_EL.dll, which the program then uses as it stands.
source "$(dirname "$0")/main_common.bash"

# The window background at a spot no control covers: the hidden Stop button's place.
background() {  # screenshot, x, y
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | grep -oE '#[0-9A-F]{6}' | head -1
}

shoot() {  # look name
  start_qelvo
  sleep 0.5
  import -window root "$shots/look-$1-main.png"
  read -r spot_x spot_y < <(probe rect "${id[Button7]}")
  [ -n "${spot_y:-}" ] || fail "$1: no place of the Stop button"
  click_control Button9
  wait_for 10 probe find 保存脚本 >/dev/null || fail "$1: the save window did not open"
  sleep 0.3
  import -window root "$shots/look-$1-save.png"
  xdotool windowfocus --sync "$(xdotool search --name '^保存脚本$' | head -1)" 2>/dev/null || true
  xdotool key Escape
  wait_for 10 window_gone 保存脚本 || fail "$1: the save window stayed open"
  focus_main
  xdotool mousemove --sync 200 200
  press_key Home
  expect_message "取当前坐标成功，已复制到坐标编辑框。" "look-$1-message"
  kill "$qelvo_pid" 2>/dev/null || true
  wait "$qelvo_pid" 2>/dev/null || true
  qelvo_pid=""
}

cp "$QELVO_BUILD/tests/skin_stub.dll" "$program/SkinH_EL.dll"
shoot unskinned
rm -f "$program/SkinH_EL.dll"
shoot skinned

plain=$(background "$shots/look-unskinned-main.png" "$spot_x" "$spot_y")
skinned=$(background "$shots/look-skinned-main.png" "$spot_x" "$spot_y")
[ "$skinned" = "#F2F5F9" ] || fail "skinned background is $skinned"
[ "$plain" != "$skinned" ] || fail "the unskinned window has the skin's background"
echo "PASS (background $plain without the skin, $skinned with it)"
