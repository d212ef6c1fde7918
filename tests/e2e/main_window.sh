#!/usr/bin/env bash
# The main window driven like a person: its starting texts, the insert buttons,
# Delete, the Home key, Run on an empty script, and the tray hide/show/exit cycle.
source "$(dirname "$0")/main_common.bash"

start_qelvo
sleep 0.5
import -window root "$shots/main-window.png"

# Starting texts: id, visible, enabled, text.
texts=$(probe texts)
expect_line() {
  grep -qxF "$1" <<<"$texts" || fail "control line not found: $1"
}
expect_line $'1001\t1\t1\t脚本编辑区'
expect_line $'1004\t1\t1\t运行               次'
expect_line $'1005\t1\t1\t999999'
expect_line $'1007\t0\t1\t停止脚本'
expect_line $'1008\t1\t1\t运行脚本'
expect_line $'1014\t1\t1\tF1'
expect_line $'1018\t1\t1\t左键'
expect_line $'1022\t1\t1\t1000'
expect_line $'1026\t1\t1\t鼠标移动到                       坐标'
expect_line $'1027\t1\t1\t坐标编辑框'
expect_line $'1029\t1\t1\t提示：如果您不知道鼠标想要点击的位置坐标，可以按一下方法操作。\\n      1.将鼠标移动到欲点击的位置上。\\n      2.按下键盘上的HOME键。\\n执行完以上两步就已经取到坐标了,坐标值在坐标编辑框里。直接插入\\n脚本就可以使用。'
expect_line $'1033\t1\t1\tF1'
expect_line $'1034\t1\t1\t1'
[ -z "$(probe rows)" ] || fail "the script list is not empty at start"

# Insert buttons: at the end with nothing selected, before the selected row otherwise.
click_control Button1
expect_rows "按键盘F1键一次"
xy=$(probe rowrect 0); click_at $xy
click_control Button3
expect_rows $'延时1000毫秒\n按键盘F1键一次'
click_control Button2
expect_rows $'延时1000毫秒\n单机鼠标左键一次\n按键盘F1键一次'
# The hold row lies off-screen, out of the pointer's reach; its button is wired all the same.
probe post 0x111 1036 0
expect_rows $'延时1000毫秒\n单机鼠标左键一次\n按键盘F1键一次\n按住F1键1秒'

# Home copies the pointer position and says so.
focus_main
xdotool mousemove --sync 123 234
press_key Home
expect_message "取当前坐标成功，已复制到坐标编辑框。" message-box
[ "$(control_text 1027)" = "123,234" ] || fail "coordinate box: $(control_text 1027)"
click_control Button4
expect_rows $'延时1000毫秒\n单机鼠标左键一次\n鼠标移动到屏幕坐标(123,234)\n按键盘F1键一次\n按住F1键1秒'

# Delete takes the selected row only.
click_control Button5
expect_rows $'延时1000毫秒\n单机鼠标左键一次\n鼠标移动到屏幕坐标(123,234)\n按住F1键1秒'
for _ in 1 2 3 4; do
  xy=$(probe rowrect 0); click_at $xy
  click_control Button5
done
expect_rows ""

# Run with nothing to run.
click_control Button6
expect_message "脚本内容为空，请先插入脚本再运行。"
run_button_shows || fail "the Run button should still show"

# Tray: hide, a left click on the icon shows again, the menu's exit ends the program.
click_control Button8
wait_for 5 window_hidden || fail "the window did not hide"
icon=$(probe trayicon) || fail "no notification area"
import -window root "$shots/tray-icon.png"
# Home still works while the window is hidden (any Wine window may hold the focus).
xdotool windowfocus --sync "$(xdotool search --name '^Wine System Tray$' | head -1)" 2>/dev/null || true
xdotool mousemove --sync 300 400
press_key Home
expect_message "取当前坐标成功，已复制到坐标编辑框。"
[ "$(control_text 1027)" = "300,400" ] || fail "coordinate box while hidden: $(control_text 1027)"
window_hidden || fail "the message showed the window"
click_at $icon
wait_for 5 window_shown || fail "a left click on the icon did not show the window"

click_control Button8
wait_for 5 window_hidden || fail "the window did not hide the second time"
icon=$(probe trayicon) || fail "no notification area"
xdotool mousemove --sync $icon click 3
wait_for 5 probe menuitem 1 2 >/dev/null || fail "no menu"
import -window root "$shots/tray-menu.png"
click_at $(probe menuitem 1 2)  # "退出   "
wait "$qelvo_pid" && code=0 || code=$?
qelvo_pid=""
[ "$code" = 0 ] || fail "the program ended with code $code"
echo "PASS"
