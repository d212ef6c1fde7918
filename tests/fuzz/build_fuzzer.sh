#!/bin/sh
# clang cannot turn UTF-8 literals into GBK as g++ does, so it compiles a GBK copy
# of the sources, whose narrow literals are then GBK byte for byte.
set -eu
src=$1 out=$2 exe=$3
rm -rf "$out" && mkdir -p "$out/script" "$out/tests/fuzz"
for f in script/text.h script/text.cpp script/script_lines.h script/script_lines.cpp \
         script/messages.h tests/fuzz/script_fuzz.cpp; do
  iconv -f UTF-8 -t GBK "$src/$f" > "$out/$f"
done
# A GBK trail byte 0x5C would read as a backslash inside a literal.
if LC_ALL=C grep -qP '[\x81-\xfe]\x5c' "$out"/script/* "$out"/tests/fuzz/*; then
  echo "build_fuzzer: a GBK character with trail byte 0x5C in a literal" >&2
  exit 1
fi
clang++ -std=c++20 -O1 -g -Wno-invalid-source-encoding -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -I "$out" "$out/script/text.cpp" "$out/script/script_lines.cpp" \
  "$out/tests/fuzz/script_fuzz.cpp" -o "$exe"
