#!/usr/bin/env bash
# The skin as seen on screen: a window laid out like the main window, with a
# message box shown from a worker thread, with and without the skin. Saves the
# screenshots under $QELVO_BUILD/screenshots for review and checks that the skin's
# colours are what covers the window (and nothing of them without the skin).
set -euo pipefail
probe="$QELVO_BUILD/tests/skin_probe.exe"
shots="$QELVO_BUILD/screenshots"
mkdir -p "$shots"
work=$(mktemp -d "$QELVO_BUILD/skin-look.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$probe" "$work/"
skin_value() { sed -n "s/^$1 *= *//p" "$QELVO_ROOT/skinlib/qelvo.skin"; }
background=$(skin_value 'window\.background')
border=$(skin_value 'button\.border')
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Pixels of exactly one colour in an image.
count() { convert "$1" -alpha off -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:round(mean*w*h)]' info:; }
wait_for() { for _ in $(seq 100); do xdotool search --name "$1" 2>/dev/null | head -1 | grep . && return 0; sleep 0.1; done; return 1; }
# A window with a 6-pixel margin, cut from the whole screen.
shoot() {
  local wid=$1 out=$2 X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  import -window root -crop "$((WIDTH + 12))x$((HEIGHT + 12))+$((X - 6))+$((Y - 6))" +repage "$out"
}

for look in skinned unskinned; do
  flags=()
  [ $look = unskinned ] && flags=(--no-skin)
  for with in window message; do
    extra=()
    [ $with = message ] && extra=(--message)
    "$WINE_RUN" "$work/skin_probe.exe" --sample "${flags[@]}" "${extra[@]}" &
    pid=$!
    wid=$(wait_for "皮肤样例") || { fail "$look: no window"; kill $pid; continue; }
    box=""
    [ $with = message ] && { box=$(wait_for "信息：") || fail "$look: no message box"; }
    sleep 1  # let every control finish painting
    shoot "$wid" "$shots/skin_${look}_$with.png"
    [ -n "$box" ] && shoot "$box" "$work/box.png"
    [ $with = message ] && "$WINE_RUN" "$work/skin_probe.exe" --read-message 5 >/dev/null
    "$WINE_RUN" "$work/skin_probe.exe" --close-sample || true
    wait $pid || true

    shot="$shots/skin_${look}_$with.png"
    area=$(identify -format '%[fx:w*h]' "$shot")
    back=$(count "$shot" "$background")
    edge=$(count "$shot" "$border")
    echo "$look $with: $back of $area pixels in $background, $edge in $border"
    if [ $look = skinned ]; then
      [ "$back" -gt $((area / 3)) ] || fail "$look $with: too little of the skin's background"
      [ "$edge" -gt 500 ] || fail "$look $with: push buttons are not ours"
      if [ -n "$box" ]; then
        box_area=$(identify -format '%[fx:w*h]' "$work/box.png")
        [ "$(count "$work/box.png" "$background")" -gt $((box_area / 3)) ] || fail "message box is not skinned"
        [ "$(count "$work/box.png" "$border")" -gt 50 ] || fail "message box button is not ours"
      fi
    else
      [ "$back" -lt 100 ] || fail "$look $with: the skin's background shows without the skin"
      [ "$edge" -lt 20 ] || fail "$look $with: the skin's buttons show without the skin"
    fi
  done
done
echo "screenshots: $shots/skin_{skinned,unskinned}_{window,message}.png"
[ $failures = 0 ] && echo "skin look: all checks passed" || { echo "skin look: $failures failures"; exit 1; }
