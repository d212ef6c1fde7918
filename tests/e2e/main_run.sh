#!/usr/bin/env bash
# Runs driven like a person: a script loaded through the load window and
# started with End while our input target has the focus delivers exactly its
# events for the repeat count; End again stops at the pass boundary; Save then
# Load round-trips through the windows byte for byte.
source "$(dirname "$0")/main_common.bash"

log="$work/target.log"
start_qelvo
start_target "$log"
# The target window covers 700..1100 x 100..400 on the screen.
write_script moves "鼠标移动到屏幕坐标(750,150)" "单机鼠标左键一次" "按键盘A键一次" \
  "鼠标移动到屏幕坐标(800,200)" "单机鼠标右键一次" "按键盘空格键一次"
load_script moves load-window
expect_rows $'鼠标移动到屏幕坐标(750,150)\n单机鼠标左键一次\n按键盘A键一次\n鼠标移动到屏幕坐标(800,200)\n单机鼠标右键一次\n按键盘空格键一次'
probe settext "${id[Edit3]}" 3

focus_target
press_key End
wait_for 30 run_button_shows || fail "the run did not end"
sleep 0.5
pass=$'hook mouse ldown x=750 y=150\nhook mouse lup x=750 y=150\nhook key down vk=65 scan=0 flags=0x10\nhook key up vk=65 scan=0 flags=0x90\nhook mouse rdown x=800 y=200\nhook mouse rup x=800 y=200\nhook key down vk=32 scan=0 flags=0x10\nhook key up vk=32 scan=0 flags=0x90'
expected=$(printf '%s\n%s\n%s' "$pass" "$pass" "$pass")
got=$(grep -a '^hook' "$log" | grep -v 'mouse move')
[ "$got" = "$expected" ] || fail "target saw:
$got
expected:
$expected
difference: $(diff <(echo "$expected") <(echo "$got") | cat -A)"
# The clicks and keys reached the focused target window, at the moved-to places.
[ "$(grep -c '^msg ldown x=50 y=50$' "$log")" = 3 ] || fail "left clicks did not land at 750,150 in the target"
[ "$(grep -c '^msg rup x=100 y=100$' "$log")" = 3 ] || fail "right clicks did not land at 800,200 in the target"
[ "$(grep -c '^msg keydown vk=65$' "$log")" = 3 ] || fail "the target window did not get the A presses"

# End while running stops at the end of the pass.
write_script passes "按键盘B键一次" "延时150毫秒" "按键盘C键一次" "延时150毫秒"
load_script passes
probe settext "${id[Edit3]}" 999999
: >"$log.mark"
focus_target
lines_before=$(wc -l <"$log")
press_key End
sleep 1.2
press_key End
wait_for 10 run_button_shows || fail "End did not stop the run"
sleep 1
run_log=$(tail -n +$((lines_before + 1)) "$log" | grep -a '^hook key down')
b=$(grep -c 'vk=66' <<<"$run_log" || true)
c=$(grep -c 'vk=67' <<<"$run_log" || true)
[ "$b" -ge 1 ] || fail "no pass ran before the stop"
[ "$b" = "$c" ] || fail "the run stopped inside a pass: $b B presses, $c C presses"
settled=$(wc -l <"$log")
sleep 1
[ "$(wc -l <"$log")" = "$settled" ] || fail "input went on after the stop"

# Save then Load: the file holds the numbered rows, and loading gives them back.
click_control Button9
wait_for 10 probe find 保存脚本 >/dev/null || fail "the save window did not open"
click_child 保存脚本 Edit 0
xdotool type --delay 50 roundtrip
sleep 0.3
import -window root "$shots/save-window.png"
click_child 保存脚本 Button 0
expect_message "保存成功"
wait_for 10 window_gone 保存脚本 || fail "the save window stayed open"
printf '1、按键盘B键一次\r\n2、延时150毫秒\r\n3、按键盘C键一次\r\n4、延时150毫秒\r\n' | iconv -f UTF-8 -t GBK >"$work/expected.ini"
cmp "$program/脚本/roundtrip.ini" "$work/expected.ini" || fail "the saved file differs"
load_script moves
expect_rows $'鼠标移动到屏幕坐标(750,150)\n单机鼠标左键一次\n按键盘A键一次\n鼠标移动到屏幕坐标(800,200)\n单机鼠标右键一次\n按键盘空格键一次'
load_script roundtrip
expect_rows $'按键盘B键一次\n延时150毫秒\n按键盘C键一次\n延时150毫秒'
echo "PASS"
