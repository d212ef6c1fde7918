#pragma once
// The four text operations on GBK byte strings that the script language, the
// script files and the web notices all rest on. Pure functions, never failing.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qelvo {

// True when the whole text fits the whole pattern. `*` is any run of bytes, `?`
// exactly one byte; a double-byte pattern character (lead byte above 0x80) is
// compared as a pair, so its trail byte is never read as a wildcard.
bool likeMatch(std::string_view pattern, std::string_view text);

// Cuts text at every separator that starts at a character boundary (lead byte
// 0x80 or above). Empty members inside are kept; no empty last member; an empty
// text gives no member. The separator must not be empty.
std::vector<std::string> splitText(std::string_view text, std::string_view separator);

// The integer written at the start of the text, reading full-width forms and the
// ideographic space as their ASCII twins; wraps modulo 2^32; 0 when no digit.
int32_t leadingInt(std::string_view text);

std::string decimalText(int32_t value);

}  // namespace qelvo
