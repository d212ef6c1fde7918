#!/usr/bin/env bash
# Closing the window while a hold line holds a key: the program ends at once
# with exit code 0, and the focused target sees the held key come up.
source "$(dirname "$0")/main_common.bash"

log="$work/target.log"
start_qelvo
start_target "$log"
write_script hold "按住Q键10秒"
load_script hold
expect_rows "按住Q键10秒"

focus_target
press_key End
wait_for 10 grep -q '^hook key down vk=81 ' "$log" || fail "the hold did not start"
sleep 0.5
read -r wx wy ww _ _ <<<"$(probe find 'Qelvo—自动点击鼠标键盘，解放您的双手')"
start=$SECONDS
click_at $((wx + ww - 14)) $((wy + 11))  # the close box
wait "$qelvo_pid" && code=0 || code=$?
qelvo_pid=""
[ "$code" = 0 ] || fail "the program ended with code $code"
[ $((SECONDS - start)) -lt 8 ] || fail "the program took $((SECONDS - start)) s to end"
sleep 0.5
grep -q '^hook key up vk=81 ' "$log" || fail "the target never saw Q come up"
[ "$(grep -c '^hook key' "$log")" = 2 ] || fail "unexpected key events: $(grep '^hook key' "$log")"
echo "PASS"
