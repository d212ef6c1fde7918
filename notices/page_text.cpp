#include "notices/page_text.h"

#include <cstddef>

namespace qelvo {
namespace {

using Byte = unsigned char;

Byte at(std::string_view s, size_t i) { return static_cast<Byte>(s[i]); }

Byte foldAscii(Byte b) { return (b >= 'A' && b <= 'Z') ? static_cast<Byte>(b + ('a' - 'A')) : b; }

// Length of the character starting at i: a lead byte takes its trail with it.
size_t charLength(std::string_view s, size_t i) {
  return (at(s, i) >= 0x80 && i + 1 < s.size()) ? 2 : 1;
}

// Compares marker with text at pos character by character: ASCII letters
// without case, the two bytes of a double-byte character exactly (a trail byte
// that looks like a letter is not a letter).
bool markerAt(std::string_view text, size_t pos, std::string_view marker) {
  if (text.size() - pos < marker.size()) return false;
  for (size_t j = 0; j < marker.size();) {
    const size_t n = charLength(marker, j);
    if (n == 2) {
      if (at(text, pos + j) != at(marker, j) || at(text, pos + j + 1) != at(marker, j + 1))
        return false;
    } else if (foldAscii(at(text, pos + j)) != foldAscii(at(marker, j))) {
      return false;
    }
    j += n;
  }
  return true;
}

constexpr size_t kNone = std::string_view::npos;

size_t findMarker(std::string_view text, std::string_view marker, size_t from) {
  for (size_t i = from; i < text.size(); i += charLength(text, i)) {
    if (markerAt(text, i, marker)) return i;
  }
  return marker.empty() && from <= text.size() ? from : kNone;
}

}  // namespace

std::string textBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker) {
  const size_t start = findMarker(text, startMarker, 0);
  if (start == kNone) return {};
  const size_t b = start + startMarker.size();
  const size_t end = findMarker(text, endMarker, b);
  if (end == kNone) return {};
  return std::string(text.substr(b, end - b));
}

}  // namespace qelvo
