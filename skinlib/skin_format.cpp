#include "skinlib/skin_format.h"

#include <array>
#include <string_view>

namespace qelvo::skin {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool parseColour(std::string_view v, Colour& out) {
  if (v.size() != 7 || v[0] != '#') return false;
  std::array<int, 6> d{};
  for (std::size_t i = 0; i < 6; ++i) {
    d[i] = hexDigit(v[i + 1]);
    if (d[i] < 0) return false;
  }
  const auto r = static_cast<Colour>(d[0] * 16 + d[1]);
  const auto g = static_cast<Colour>(d[2] * 16 + d[3]);
  const auto b = static_cast<Colour>(d[4] * 16 + d[5]);
  out = r | (g << 8) | (b << 16);
  return true;
}

bool parseInt(std::string_view v, int low, int high, int& out) {
  if (v.empty() || v.size() > 3) return false;
  int n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < low || n > high) return false;
  out = n;
  return true;
}

// Well-formed UTF-8 without overlong forms or surrogates: face names reach the
// window system through a strict conversion.
bool validUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    unsigned min = 0;
    unsigned cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80, cp = c & 0x1Fu;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800, cp = c & 0x0Fu;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000, cp = c & 0x07u;
    } else {
      return false;
    }
    if (s.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

bool parseFaces(std::string_view v, std::vector<std::string>& out) {
  if (!validUtf8(v)) return false;
  while (true) {
    const auto comma = v.find(',');
    const auto face = trim(v.substr(0, comma));
    // A GDI face name holds at most 31 UTF-16 units; 3 bytes per unit at most.
    if (face.empty() || face.size() > 93) return false;
    out.emplace_back(face);
    if (comma == std::string_view::npos) break;
    v.remove_prefix(comma + 1);
  }
  return out.size() <= 8;
}

struct ColourKey {
  std::string_view name;
  Colour Skin::*field;
};

constexpr std::array<ColourKey, 23> kColourKeys{{
    {"window.background", &Skin::windowBackground},
    {"window.text", &Skin::windowText},
    {"group.border", &Skin::groupBorder},
    {"group.text", &Skin::groupText},
    {"edit.background", &Skin::editBackground},
    {"edit.text", &Skin::editText},
    {"edit.border", &Skin::editBorder},
    {"edit.focus", &Skin::editFocus},
    {"list.background", &Skin::listBackground},
    {"list.text", &Skin::listText},
    {"list.selection", &Skin::listSelection},
    {"list.selection.text", &Skin::listSelectionText},
    {"button.text", &Skin::buttonText},
    {"button.border", &Skin::buttonBorder},
    {"button.focus", &Skin::buttonFocus},
    {"button.top", &Skin::buttonTop},
    {"button.bottom", &Skin::buttonBottom},
    {"button.hot.top", &Skin::buttonHotTop},
    {"button.hot.bottom", &Skin::buttonHotBottom},
    {"button.pressed.top", &Skin::buttonPressedTop},
    {"button.pressed.bottom", &Skin::buttonPressedBottom},
    {"button.disabled.face", &Skin::buttonDisabledFace},
    {"button.disabled.text", &Skin::buttonDisabledText},
}};

// Keys that are not colours, counted after the colour keys.
enum OtherKey : std::size_t { kFontFace = kColourKeys.size(), kFontSize, kButtonFill, kButtonRadius, kKeyCount };
constexpr std::array<std::string_view, 4> kOtherKeys{"font.face", "font.size", "button.fill", "button.radius"};

bool applyKey(Skin& skin, std::size_t key, std::string_view value) {
  if (key < kColourKeys.size()) return parseColour(value, skin.*(kColourKeys[key].field));
  switch (key) {
    case kFontFace:
      return parseFaces(value, skin.fontFaces);
    case kFontSize:
      return parseInt(value, 6, 48, skin.fontSize);
    case kButtonRadius:
      return parseInt(value, 0, 16, skin.buttonRadius);
    case kButtonFill:
      if (value == "flat") {
        skin.buttonFill = ButtonFill::flat;
      } else if (value == "gradient") {
        skin.buttonFill = ButtonFill::gradient;
      } else {
        return false;
      }
      return true;
    default:
      return false;
  }
}

std::size_t findKey(std::string_view name) {
  for (std::size_t i = 0; i < kColourKeys.size(); ++i)
    if (kColourKeys[i].name == name) return i;
  for (std::size_t i = 0; i < kOtherKeys.size(); ++i)
    if (kOtherKeys[i] == name) return kColourKeys.size() + i;
  return kKeyCount;
}

}  // namespace

std::optional<Skin> parseSkin(const unsigned char* bytes, std::size_t size) {
  if (bytes == nullptr || size == 0 || size > kMaxSkinBytes) return std::nullopt;
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char c = bytes[i];
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return std::nullopt;
    if (c == 0x7F) return std::nullopt;
  }
  std::string_view text(reinterpret_cast<const char*>(bytes), size);

  Skin skin;
  std::array<bool, kKeyCount> seen{};
  bool headerSeen = false;
  bool ended = false;
  while (!text.empty()) {
    const auto eol = text.find('\n');
    const auto line = trim(text.substr(0, eol));
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (line.empty() || line.front() == '#') continue;
    if (ended) return std::nullopt;  // nothing may follow "end"
    if (!headerSeen) {
      if (line != "qelvo-skin 1") return std::nullopt;
      headerSeen = true;
      continue;
    }
    if (line == "end") {
      ended = true;
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const auto key = findKey(trim(line.substr(0, eq)));
    if (key == kKeyCount || seen[key]) return std::nullopt;
    if (!applyKey(skin, key, trim(line.substr(eq + 1)))) return std::nullopt;
    seen[key] = true;
  }
  if (!ended) return std::nullopt;  // cut short
  for (bool s : seen)
    if (!s) return std::nullopt;
  return skin;
}

}  // namespace qelvo::skin
