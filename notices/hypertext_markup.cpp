#include "notices/hypertext_markup.h"

#include <array>
#include <cstddef>
#include <optional>

namespace qelvo {
namespace {

using Byte = unsigned char;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

bool startsWithNoCase(std::string_view s, size_t pos, std::string_view prefix) {
  if (s.size() - pos < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (lower(s[pos + i]) != lower(prefix[i])) return false;
  return true;
}

// A GBK lead byte only pairs with a trail byte of 0x40 or above, so markup
// characters (< > & " =) are never swallowed as trail bytes.
size_t charLength(std::string_view s, size_t i) {
  return (static_cast<Byte>(s[i]) >= 0x81 && i + 1 < s.size() && static_cast<Byte>(s[i + 1]) >= 0x40)
             ? 2
             : 1;
}

struct Entity {
  std::string_view name;
  char value;
};
constexpr std::array<Entity, 5> kEntities{{
    {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&nbsp;", ' '}}};

// Decodes the known entities; anything else stays as written.
std::string decodeEntities(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    bool done = false;
    if (s[i] == '&') {
      for (const Entity& e : kEntities) {
        if (startsWithNoCase(s, i, e.name)) {
          out += e.value;
          i += e.name.size();
          done = true;
          break;
        }
      }
    }
    if (!done) out += s[i++];
  }
  return out;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::optional<uint32_t> parseColor(std::string_view v) {
  v = trimmed(v);
  struct Named {
    std::string_view name;
    uint32_t rgb;
  };
  static constexpr Named kNamed[] = {
      {"black", 0x000000},  {"white", 0xFFFFFF}, {"red", 0xFF0000},    {"green", 0x008000},
      {"blue", 0x0000FF},   {"yellow", 0xFFFF00}, {"gray", 0x808080},  {"grey", 0x808080},
      {"silver", 0xC0C0C0}, {"maroon", 0x800000}, {"purple", 0x800080}, {"fuchsia", 0xFF00FF},
      {"lime", 0x00FF00},   {"olive", 0x808000}, {"navy", 0x000080},   {"teal", 0x008080},
      {"aqua", 0x00FFFF},   {"orange", 0xFFA500}};
  const std::string name = lowered(v);
  for (const Named& n : kNamed)
    if (name == n.name) return n.rgb;
  std::string_view hex = v;
  if (!hex.empty() && hex.front() == '#') hex.remove_prefix(1);
  if (hex.size() != 6 && hex.size() != 3) return std::nullopt;
  uint32_t value = 0;
  for (char c : hex) {
    const char l = lower(c);
    uint32_t d;
    if (isDigit(l)) d = static_cast<uint32_t>(l - '0');
    else if (l >= 'a' && l <= 'f') d = static_cast<uint32_t>(l - 'a' + 10);
    else return std::nullopt;
    value = value * 16 + d;
  }
  if (hex.size() == 3) {  // #RGB doubles each digit
    const uint32_t r = (value >> 8) & 0xF, g = (value >> 4) & 0xF, b = value & 0xF;
    value = (r * 17) << 16 | (g * 17) << 8 | (b * 17);
  }
  return value;
}

std::optional<int> parseSize(std::string_view v) {
  v = trimmed(v);
  int sign = 0;
  if (!v.empty() && (v.front() == '+' || v.front() == '-')) {
    sign = v.front() == '+' ? 1 : -1;
    v.remove_prefix(1);
  }
  if (v.size() != 1 || !isDigit(v.front())) return std::nullopt;
  const int n = v.front() - '0';
  int size = sign == 0 ? n : 3 + sign * n;
  if (size < 1) size = 1;
  if (size > 7) size = 7;
  return size;
}

struct Attribute {
  std::string name;  // lower case
  std::string value;  // entities decoded
};

struct Tag {
  std::string name;  // lower case
  bool closing = false;
  std::vector<Attribute> attributes;
  size_t end = 0;  // position just after '>'

  const std::string* attribute(std::string_view n) const {
    for (const Attribute& a : attributes)
      if (a.name == n) return &a.value;
    return nullptr;
  }
};

// Reads a tag starting at s[pos] == '<'; nothing when it is not a well-formed one.
// reachedEnd tells that the tag ran into the end of the text unclosed.
std::optional<Tag> readTag(std::string_view s, size_t pos, bool& reachedEnd) {
  reachedEnd = true;
  Tag tag;
  size_t i = pos + 1;
  if (i < s.size() && s[i] == '/') {
    tag.closing = true;
    ++i;
  }
  const size_t nameStart = i;
  if (i >= s.size()) return std::nullopt;
  if (!isAlpha(s[i])) {
    reachedEnd = false;
    return std::nullopt;
  }
  while (i < s.size() && (isAlpha(s[i]) || isDigit(s[i]))) ++i;
  tag.name = lowered(s.substr(nameStart, i - nameStart));
  for (;;) {
    while (i < s.size() && (isSpace(s[i]) || s[i] == '/')) ++i;
    if (i >= s.size()) return std::nullopt;
    if (s[i] == '>') {
      tag.end = i + 1;
      reachedEnd = false;
      return tag;
    }
    const size_t attrStart = i;
    while (i < s.size() && !isSpace(s[i]) && s[i] != '=' && s[i] != '>' && s[i] != '/') i += charLength(s, i);
    Attribute attr{lowered(s.substr(attrStart, i - attrStart)), {}};
    while (i < s.size() && isSpace(s[i])) ++i;
    if (i < s.size() && s[i] == '=') {
      ++i;
      while (i < s.size() && isSpace(s[i])) ++i;
      if (i >= s.size()) return std::nullopt;
      if (s[i] == '"' || s[i] == '\'') {
        const char quote = s[i++];
        const size_t close = s.find(quote, i);
        if (close == std::string_view::npos) return std::nullopt;
        attr.value = decodeEntities(s.substr(i, close - i));
        i = close + 1;
      } else {
        const size_t valueStart = i;
        while (i < s.size() && !isSpace(s[i]) && s[i] != '>') i += charLength(s, i);
        attr.value = decodeEntities(s.substr(valueStart, i - valueStart));
      }
    }
    if (!attr.name.empty()) tag.attributes.push_back(std::move(attr));
  }
}

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  std::vector<HypertextRun> run() {
    size_t i = 0;
    while (i < s_.size()) {
      const char c = s_[i];
      if (c == '<') {
        i = onAngle(i);
      } else if (c == '&') {
        i = onAmpersand(i);
      } else if (isSpace(c)) {
        if (!lastWasSpace_) emit(" ");
        lastWasSpace_ = true;
        ++i;
      } else {
        const size_t n = charLength(s_, i);
        emit(s_.substr(i, n));
        lastWasSpace_ = false;
        i += n;
      }
    }
    return std::move(out_);
  }

 private:
  HypertextStyle current() const {
    HypertextStyle st = fonts_.empty() ? HypertextStyle{} : fonts_.back();
    st.bold = bold_ > 0;
    st.italic = italic_ > 0;
    st.underline = underline_ > 0;
    return st;
  }

  void emit(std::string_view text) {
    const HypertextStyle st = current();
    if (out_.empty() || out_.back().lineBreak || !(out_.back().style == st) || out_.back().href != href_)
      out_.push_back(HypertextRun{{}, st, href_, false});
    out_.back().text += text;
  }

  size_t onAmpersand(size_t i) {
    for (const Entity& e : kEntities) {
      if (startsWithNoCase(s_, i, e.name)) {
        emit(std::string_view(&e.value, 1));
        lastWasSpace_ = false;  // &nbsp; is a blank that does not collapse
        return i + e.name.size();
      }
    }
    emit("&");
    lastWasSpace_ = false;
    return i + 1;
  }

  size_t onAngle(size_t i) {
    if (startsWithNoCase(s_, i, "<!--")) {
      const size_t close = s_.find("-->", i + 4);
      return close == std::string_view::npos ? s_.size() : close + 3;
    }
    if (tagsExhausted_) return plainAngle(i);
    if (startsWithNoCase(s_, i, "<!") || startsWithNoCase(s_, i, "<?")) {
      const size_t close = s_.find('>', i);
      if (close != std::string_view::npos) return close + 1;
      tagsExhausted_ = true;
      return plainAngle(i);
    }
    bool reachedEnd = false;
    const std::optional<Tag> tag = readTag(s_, i, reachedEnd);
    // A tag left open to the end of the text means no later one can close
    // either: from here on '<' is text, and the parse stays linear.
    if (reachedEnd) tagsExhausted_ = true;
    if (!tag) {
      emit("<");
      lastWasSpace_ = false;
      return i + 1;
    }
    apply(*tag);
    if (!tag->closing && (tag->name == "script" || tag->name == "style")) return skipElement(*tag);
    return tag->end;
  }

  size_t plainAngle(size_t i) {
    emit("<");
    lastWasSpace_ = false;
    return i + 1;
  }

  // Script and style content is neither run nor shown.
  size_t skipElement(const Tag& tag) {
    const std::string closing = "</" + tag.name;
    for (size_t i = tag.end; i < s_.size(); ++i) {
      if (startsWithNoCase(s_, i, closing)) {
        const size_t close = s_.find('>', i);
        return close == std::string_view::npos ? s_.size() : close + 1;
      }
    }
    return s_.size();
  }

  static void count(int& counter, bool closing) {
    if (!closing) ++counter;
    else if (counter > 0) --counter;
  }

  void apply(const Tag& tag) {
    const std::string& n = tag.name;
    if (n == "br") {
      out_.push_back(HypertextRun{{}, current(), {}, true});
      lastWasSpace_ = true;
    } else if (n == "b" || n == "strong") {
      count(bold_, tag.closing);
    } else if (n == "i" || n == "em") {
      count(italic_, tag.closing);
    } else if (n == "u") {
      count(underline_, tag.closing);
    } else if (n == "font") {
      if (tag.closing) {
        if (!fonts_.empty()) fonts_.pop_back();
        return;
      }
      HypertextStyle st = fonts_.empty() ? HypertextStyle{} : fonts_.back();
      if (const std::string* color = tag.attribute("color")) {
        if (const auto rgb = parseColor(*color)) {
          st.hasColor = true;
          st.color = *rgb;
        }
      }
      if (const std::string* size = tag.attribute("size")) {
        if (const auto sz = parseSize(*size)) st.size = *sz;
      }
      fonts_.push_back(st);
    } else if (n == "a") {
      href_.clear();
      if (!tag.closing) {
        if (const std::string* href = tag.attribute("href")) href_ = std::string(trimmed(*href));
      }
    }
  }

  std::string_view s_;
  std::vector<HypertextRun> out_;
  std::vector<HypertextStyle> fonts_;
  int bold_ = 0;
  int italic_ = 0;
  int underline_ = 0;
  std::string href_;
  bool lastWasSpace_ = false;
  bool tagsExhausted_ = false;
};

}  // namespace

std::vector<HypertextRun> parseHypertext(std::string_view gbkMarkup) { return Parser(gbkMarkup).run(); }

bool isOpenableLink(std::string_view href) {
  href = trimmed(href);
  size_t rest;
  if (startsWithNoCase(href, 0, "http://")) rest = 7;
  else if (startsWithNoCase(href, 0, "https://")) rest = 8;
  else return false;
  if (href.size() == rest) return false;
  for (char c : href)
    if (static_cast<Byte>(c) < 0x21 || c == '"' || c == 0x7F) return false;
  return true;
}

}  // namespace qelvo
