#pragma once
// Cutting the interesting piece out of a fetched page.
#include <string>
#include <string_view>

namespace qelvo {

// The text after the first startMarker up to the first endMarker that begins at
// or after it; empty when either is missing. Markers are found without regard to
// the case of ASCII letters, and a match never begins inside a double-byte
// character.
std::string textBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker);

}  // namespace qelvo
