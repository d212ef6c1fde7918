#!/usr/bin/env bash
# The skin loader as the program meets it: SkinH_EL.dll written beside the program
# on the first start, left alone afterwards, and a clear end when it is unusable.
# Each case starts the probe (which attaches the skin like the main window does)
# from a fresh program folder.
set -euo pipefail
probe="$QELVO_BUILD/tests/skin_probe.exe"
built="$QELVO_BUILD/skinlib/SkinH_EL.dll"
work=$(mktemp -d "$QELVO_BUILD/skin-loader.XXXXXX")
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
background=$(sed -n 's/^window\.background *= *//p' "$QELVO_ROOT/skinlib/qelvo.skin")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

folder() { mkdir -p "$work/$1"; cp "$probe" "$work/$1/"; echo "$work/$1"; }
start() { "$WINE_RUN" "$1/skin_probe.exe" "${@:2}" | tr -d '\r'; }
# What Windows reports, and what Wine stores (it adds the archive bit to every file it reports).
attributes() { start "$1" --attributes; }
stored_attributes() { python3 -c 'import os,sys; print(os.getxattr(sys.argv[1], "user.DOSATTRIB").decode())' "$1/SkinH_EL.dll" 2>/dev/null || echo none; }
expect_skinned() {
  local out; out=$(start "$1")
  [ "$out" = "label=$background button=ownerdraw" ] || fail "$2: probe reported '$out'"
}

echo "== first start: the library is written, byte for byte, hidden and nothing else"
dir=$(folder first)
expect_skinned "$dir" "first start"
cmp -s "$dir/SkinH_EL.dll" "$built" || fail "first start: file differs from the built library"
[ "$(stored_attributes "$dir")" = 0x2 ] || fail "first start: stored attributes $(stored_attributes "$dir"), want 0x2 (hidden)"
[ "$(attributes "$dir")" = 0x22 ] || fail "first start: attributes $(attributes "$dir"), want hidden (+ Wine's archive)"

echo "== second start: nothing is written"
before=$(stat -c '%i %y %s' "$dir/SkinH_EL.dll")
sleep 1.1
expect_skinned "$dir" "second start"
after=$(stat -c '%i %y %s' "$dir/SkinH_EL.dll")
[ "$before" = "$after" ] || fail "second start: file changed ($before -> $after)"

echo "== an existing library is used as it is, with its attributes"
# Bytes after a PE image are ignored by the loader: this file works but is not ours.
for variant in plain read-only; do
  dir=$(folder "existing-$variant")
  { cat "$built"; printf 'placed by the user\n'; } >"$dir/SkinH_EL.dll"
  cp "$dir/SkinH_EL.dll" "$work/expected-$variant"
  [ $variant = read-only ] && chmod a-w "$dir/SkinH_EL.dll"
  want=$(attributes "$dir")
  stamp=$(stat -c '%i %y' "$dir/SkinH_EL.dll")
  expect_skinned "$dir" "existing $variant"
  cmp -s "$dir/SkinH_EL.dll" "$work/expected-$variant" || fail "existing $variant: file was replaced"
  [ "$(attributes "$dir")" = "$want" ] || fail "existing $variant: attributes $want -> $(attributes "$dir")"
  [ "$(stat -c '%i %y' "$dir/SkinH_EL.dll")" = "$stamp" ] || fail "existing $variant: file was rewritten"
done

echo "== an unusable library: the message names the file and the entry point, and the program ends"
reader=$(folder reader)
for variant in text folder no-entry-points; do
  dir=$(folder "unusable-$variant")
  case $variant in
    text) printf 'this is not a library\n' >"$dir/SkinH_EL.dll" ;;
    folder) mkdir "$dir/SkinH_EL.dll" ;;
    no-entry-points) cp "$QELVO_BUILD/tests/skin_probe.exe" "$dir/SkinH_EL.dll" ;;  # loads, exports nothing
  esac
  set +e
  start "$dir" >"$work/out-$variant" &
  pid=$!
  message=$(start "$reader" --read-message 20)
  wait $pid
  code=$?
  set -e
  want="无法加载 SkinH_EL.dll 中的 SkinH_AttachRes，程序将退出。"
  [ "$message" = "$want" ] || fail "$variant: message '$message', want '$want'"
  [ $code = 3 ] || fail "$variant: exit code $code, want 3"
  [ ! -s "$work/out-$variant" ] || fail "$variant: the program went on: $(cat "$work/out-$variant")"
done

[ $failures = 0 ] && echo "skin loader: all cases passed" || { echo "skin loader: $failures failures"; exit 1; }
