# Writes a C++ source that holds a file's bytes as a constant array.
# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DFUNCTION=<name> -P embed_bytes.cmake
# The function is declared in skinlib/embedded_skin.h.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Break the one long line every 32 bytes or so, keeping the output readable.
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} by skinlib/embed_bytes.cmake: do not edit.
#include \"skinlib/embedded_skin.h\"

namespace qelvo {
namespace {
const unsigned char kBytes[${size}] = {
${bytes}
};
}  // namespace

std::span<const unsigned char> ${FUNCTION}() { return {kBytes, sizeof kBytes}; }

}  // namespace qelvo
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
