#include "script/text.h"

#include <cstddef>

namespace qelvo {
namespace {

using Byte = unsigned char;

Byte at(std::string_view s, size_t i) { return static_cast<Byte>(s[i]); }

// A matcher with memory of the (pattern, text) positions that already failed
// after a `*`: same answers as the plain retry, without its exponential cost on
// patterns with many stars.
class Matcher {
 public:
  Matcher(std::string_view pattern, std::string_view text) : p_(pattern), t_(text) {}

  bool match(size_t pi, size_t ti) {
    for (;;) {
      if (pi == p_.size()) return ti == t_.size();
      const Byte b = at(p_, pi);
      if (b > 0x80) {
        if (ti == t_.size() || at(t_, ti) != b) return false;
        ++pi, ++ti;
        if (pi == p_.size()) continue;
        if (ti == t_.size() || at(t_, ti) != at(p_, pi)) return false;
        ++pi, ++ti;
      } else if (b == '*') {
        if (pi + 1 == p_.size()) return true;
        // k runs to n - 1 only: an empty rest of text is never tried.
        for (size_t k = ti; k < t_.size(); ++k) {
          if (failed(pi + 1, k)) continue;
          if (match(pi + 1, k)) return true;
          markFailed(pi + 1, k);
        }
        return false;
      } else if (b == '?') {
        if (ti == t_.size()) return false;
        ++pi, ++ti;
      } else {
        if (ti == t_.size() || at(t_, ti) != b) return false;
        ++pi, ++ti;
      }
    }
  }

 private:
  bool failed(size_t pi, size_t ti) const {
    return !failed_.empty() && failed_[pi * (t_.size() + 1) + ti];
  }
  void markFailed(size_t pi, size_t ti) {
    if (failed_.empty()) failed_.assign((p_.size() + 1) * (t_.size() + 1), false);
    failed_[pi * (t_.size() + 1) + ti] = true;
  }

  std::string_view p_;
  std::string_view t_;
  std::vector<bool> failed_;
};

bool isSpace(Byte b) { return b == ' ' || (b >= '\t' && b <= '\r'); }

}  // namespace

bool likeMatch(std::string_view pattern, std::string_view text) {
  return Matcher(pattern, text).match(0, 0);
}

std::vector<std::string> splitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> members;
  if (text.empty() || separator.empty()) {
    if (!text.empty()) members.emplace_back(text);
    return members;
  }
  size_t m = 0;
  size_t i = 0;
  while (text.size() - i >= separator.size()) {
    if (text.compare(i, separator.size(), separator) == 0) {
      members.emplace_back(text.substr(m, i - m));
      i += separator.size();
      m = i;
    } else if (at(text, i) >= 0x80) {
      if (i + 1 == text.size()) break;
      i += 2;
    } else {
      ++i;
    }
  }
  if (m < text.size()) members.emplace_back(text.substr(m));
  return members;
}

int32_t leadingInt(std::string_view text) {
  // Walks the text as its plain copy: full-width ASCII forms (A3 A1..A3 FE) read
  // as their ASCII byte, the ideographic space (A1 A1) as a blank. Any other
  // double-byte character, or a dangling lead byte, ends the number: its lead
  // byte is neither blank, sign nor digit.
  size_t i = 0;
  auto next = [&](Byte& out) -> bool {
    if (i >= text.size()) return false;
    const Byte b = at(text, i);
    if (b < 0x80) {
      out = b;
      ++i;
      return true;
    }
    if (i + 1 >= text.size()) return false;
    const Byte trail = at(text, i + 1);
    i += 2;
    if (b == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out = static_cast<Byte>(trail - 0x80);
      return true;
    }
    if (b == 0xA1 && trail == 0xA1) {
      out = ' ';
      return true;
    }
    return false;
  };

  Byte c = 0;
  bool have = next(c);
  while (have && isSpace(c)) have = next(c);
  bool negative = false;
  if (have && (c == '+' || c == '-')) {
    negative = c == '-';
    have = next(c);
  }
  uint32_t value = 0;
  while (have && c >= '0' && c <= '9') {
    value = value * 10u + static_cast<uint32_t>(c - '0');
    have = next(c);
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

std::string decimalText(int32_t value) { return std::to_string(value); }

}  // namespace qelvo
