#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notices/hypertext_markup.h"
#include "notices/page_text.h"
#include "notices/update_check.h"

namespace qelvo {
namespace {

// Narrow literals are GBK in this build; pages on the wire are UTF-8.
std::string utf8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

struct BetweenCase {
  std::string text, start, end, expected;
};

TEST(TextBetween, Table) {
  const BetweenCase cases[] = {
      {"a[b]c", "[", "]", "b"},
      {"a[]c", "[", "]", ""},
      {"a[bc", "[", "]", ""},
      {"abc", "[", "]", ""},
      {"xABy", "a", "y", "B"},
      {"xabcy", "abc", "y", ""},
      {"x sab y ab z sab", "ab", "sab", " y ab z "},
      {"xx guanggao Hello sguanggao yy", "guanggao", "sguanggao", " Hello "},
      {"GUANGGAO Hi sguanggao", "guanggao", "sguanggao", " Hi "},
      {"a sguanggao b sguanggao c", "guanggao", "sguanggao", " b "},
      {"guanggao no end", "guanggao", "sguanggao", ""},
      {"", "guanggao", "sguanggao", ""},
      {"广告guanggao<b>新品</b>SGuangGao尾", "guanggao", "sguanggao", "<b>新品</b>"},
      // 0x81 0x61 is one double-byte character whose trail byte looks like 'a':
      // no match may begin on it.
      {"\x81" "ab1ab2y", "ab", "y", "2"},
      // A double-byte marker is compared exactly, never case-folded.
      {"[\x81\x61]", "\x81\x41", "]", ""},
      {"[\x81\x41x]", "\x81\x41", "]", "x"},
      // The end marker is searched from a character boundary too.
      {"s\x81yzy", "s", "y", "\x81yz"},
  };
  for (const BetweenCase& c : cases)
    EXPECT_EQ(textBetween(c.text, c.start, c.end), c.expected) << c.text << " / " << c.start << " / " << c.end;
}

struct ConvertCase {
  const char* what;
  std::string utf8;
  std::string gbk;  // empty: the whole conversion fails
};

// One table for both converters: iconv natively, the code-page functions under Wine.
TEST(StrictUtf8ToGbk, Table) {
  const ConvertCase cases[] = {
      {"empty", "", ""},
      {"ascii", "Qelvo 1.0", "Qelvo 1.0"},
      {"chinese", utf8(u8"按键盘F1键一次"), "按键盘F1键一次"},
      {"curly quotes and ideographic comma", utf8(u8"“Qelvo”、。"), "“Qelvo”、。"},
      {"nul kept", std::string("a\0b", 3), std::string("a\0b", 3)},
      {"stray byte", utf8(u8"Qelvo有更新") + "\xFF", ""},
      {"truncated sequence", utf8(u8"Qelvo有") + "\xE6\x9C", ""},
      {"overlong slash", "a\xC0\xAF", ""},
      {"encoded surrogate", "a\xED\xA0\x80", ""},
      {"lone continuation", "\x80", ""},
      {"emoji outside GBK", utf8(u8"Qelvo有更新\U0001F600"), ""},
      {"guillemet outside GBK", utf8(u8"\u00ABQelvo\u00BB"), ""},
      {"hangul outside GBK", utf8(u8"\uD55C"), ""},
  };
  for (const ConvertCase& c : cases) EXPECT_EQ(strictUtf8ToGbk(c.utf8), c.gbk) << c.what;
}

struct UpdateCase {
  const char* what;
  std::string page;
  bool announces;
};

TEST(PageAnnouncesUpdate, Table) {
  const UpdateCase cases[] = {
      {"marker alone", utf8(u8"Qelvo有更新"), true},
      {"inside a sentence", utf8(u8"<html><p>新版本：Qelvo有更新了，请下载</p></html>"), true},
      {"at the very start", utf8(u8"Qelvo有更新 2.0"), true},
      {"at the very end", utf8(u8"版本说明 Qelvo有更新"), true},
      {"only the name", utf8(u8"Qelvo 最新版本"), false},
      {"only the words", utf8(u8"软件有更新"), false},
      {"other case", utf8(u8"qelvo有更新"), false},
      {"empty page", "", false},
      {"page stored in GBK", "Qelvo有更新", false},
      {"invalid UTF-8 elsewhere", utf8(u8"Qelvo有更新") + "\xFE", false},
      {"character outside GBK", utf8(u8"Qelvo有更新 \U0001F389"), false},
      {"marker after a NUL", std::string("abc\0", 4) + utf8(u8"Qelvo有更新"), false},
  };
  for (const UpdateCase& c : cases) EXPECT_EQ(pageAnnouncesUpdate(c.page), c.announces) << c.what;
}

std::string plainText(const std::vector<HypertextRun>& runs) {
  std::string out;
  for (const HypertextRun& r : runs) out += r.lineBreak ? "\n" : r.text;
  return out;
}

TEST(HypertextMarkup, TextThatIsNotMarkupStaysText) {
  struct Case {
    std::string markup, shown;
  } const cases[] = {
      {" Hello ", " Hello "},
      {"a \r\n\t b", "a b"},
      {"a < b > c", "a < b > c"},
      {"<unclosed", "<unclosed"},
      {"x <a href='y", "x <a href='y"},
      {"&lt;b&gt;&amp;&quot;&nbsp;&nbsp;|", "<b>&\"  |"},
      {"&copy; &amp", "&copy; &amp"},
      {"<marquee>m</marquee><img src=http://evil/x.png><iframe src=x></iframe>", "m"},
      {"<script>alert(1)</script>ok<STYLE>b{}</STYLE>!", "ok!"},
      {"<script>never ends", ""},
      {"<!-- note -->a<!DOCTYPE html>b", "ab"},
      {"一<br>二<BR/>三", "一\n二\n三"},
      {"中文<b>粗体</b>", "中文粗体"},
  };
  for (const Case& c : cases) EXPECT_EQ(plainText(parseHypertext(c.markup)), c.shown) << c.markup;
}

// A hostile banner of unclosed tags is shown as text, and parsed in one pass:
// rescanning to the end for every '<' would take hours on a capped page.
TEST(HypertextMarkup, UnclosedTagsStayTextInLinearTime) {
  for (const std::string unit : {"<a x", "<!x", "<a href=\"", "<b "}) {
    std::string page;
    while (page.size() < (1u << 18)) page += unit;
    EXPECT_EQ(plainText(parseHypertext(page)), page) << unit;
  }
}

TEST(HypertextMarkup, StylesNestAndClose) {
  const auto runs = parseHypertext(
      "a<b>b<i>c</i></b><u>d</u><font color=#ff0000 size=5>e<font color=\"navy\">f</font>g</font>h"
      "<font size=+2 color=#0f0>i</font>");
  ASSERT_EQ(runs.size(), 9u);
  EXPECT_EQ(runs[0].style, HypertextStyle{});
  EXPECT_TRUE(runs[1].style.bold && !runs[1].style.italic);
  EXPECT_TRUE(runs[2].style.bold && runs[2].style.italic);
  EXPECT_TRUE(runs[3].style.underline && !runs[3].style.bold);
  EXPECT_EQ(runs[4].text, "e");
  EXPECT_TRUE(runs[4].style.hasColor);
  EXPECT_EQ(runs[4].style.color, 0xFF0000u);
  EXPECT_EQ(runs[4].style.size, 5);
  EXPECT_EQ(runs[5].style.color, 0x000080u);
  EXPECT_EQ(runs[5].style.size, 5);
  EXPECT_EQ(runs[6].style.color, 0xFF0000u);  // back to the outer font
  EXPECT_EQ(runs[7].style, HypertextStyle{});
  EXPECT_EQ(runs[8].style.size, 5);
  EXPECT_EQ(runs[8].style.color, 0x00FF00u);
}

TEST(HypertextMarkup, LinksCarryTheirAddress) {
  const auto runs = parseHypertext("<a href=\"http://x.cn/?a=1&amp;b=2\">go</a> <a href=javascript:alert(1)>js</a>");
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].href, "http://x.cn/?a=1&b=2");
  EXPECT_EQ(runs[1].href, "");
  EXPECT_EQ(runs[2].href, "javascript:alert(1)");
}

TEST(HypertextMarkup, OnlyWebAddressesOpen) {
  const std::pair<const char*, bool> cases[] = {
      {"http://example.com/", true},   {"HTTPS://example.com", true}, {" http://a ", true},
      {"javascript:alert(1)", false},  {"JavaScript:alert(1)", false}, {"file:///C:/Windows/x.exe", false},
      {"file://server/share", false},  {"http://", false},           {"ftp://example.com", false},
      {"//example.com", false},        {"mailto:a@b", false},        {"http://a b", false},
      {"http://a\"b", false},          {"", false},                  {"x http://a", false},
  };
  for (const auto& [href, openable] : cases) EXPECT_EQ(isOpenableLink(href), openable) << href;
}

}  // namespace
}  // namespace qelvo
