#!/usr/bin/env bash
# Brings this Debian 12 machine to what the build and the tests need, and prepares
# the Wine prefix under the build folder. Idempotent: a ready machine costs seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev python3 curl googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine wine64 xvfb xdotool x11-utils imagemagick locales fonts-wqy-microhei
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  echo "setup: generating zh_CN.UTF-8"
  $sudo sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi

# The Wine prefix: booted once, Chinese locale (code page 936), and no window
# manager integration, which otherwise stalls every hide of a top-level window by 2 s.
export WINEPREFIX="$build/wineprefix" WINEARCH=win64 WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
if [ ! -f "$WINEPREFIX/.qelvo-ready" ]; then
  echo "setup: preparing the Wine prefix $WINEPREFIX"
  mkdir -p "$build"
  rm -rf "$WINEPREFIX"
  DISPLAY= /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  /usr/lib/wine/wineserver64 -w
  touch "$WINEPREFIX/.qelvo-ready"
fi
