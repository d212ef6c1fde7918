#pragma once
// The small, safe markup the banner box understands: text, <br>, <b> <i> <u>,
// <font color size>, <a href> and the entities &lt; &gt; &amp; &quot; &nbsp;.
// Scripts and styles are dropped with their content; other tags are dropped and
// their text kept; anything that is not a well-formed tag is shown as text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qelvo {

struct HypertextStyle {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool hasColor = false;
  uint32_t color = 0;  // 0xRRGGBB, meaningful when hasColor
  int size = 3;        // 1..7 as in <font size>, 3 is the normal size
  friend bool operator==(const HypertextStyle&, const HypertextStyle&) = default;
};

// A stretch of GBK text in one style, or a line break (text empty).
struct HypertextRun {
  std::string text;
  HypertextStyle style;
  std::string href;  // the link this text belongs to; empty outside links
  bool lineBreak = false;
  friend bool operator==(const HypertextRun&, const HypertextRun&) = default;
};

std::vector<HypertextRun> parseHypertext(std::string_view gbkMarkup);

// Only plain web addresses are ever opened: http:// or https://, any case,
// nothing else (no javascript:, file:, mailto:, relative paths).
bool isOpenableLink(std::string_view href);

}  // namespace qelvo
