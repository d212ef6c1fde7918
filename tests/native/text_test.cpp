#include "script/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace qelvo {
namespace {

struct MatchCase {
  const char* pattern;
  std::string text;
  bool expected;
};

TEST(LikeMatch, Table) {
  const MatchCase cases[] = {
      {"按住*", "按住F1键1秒", true},
      {"按住*", "按", false},
      {"按键盘*", "按住F1键1秒", false},
      {"*", "", true},
      {"**", "", false},  // the retry after a non-final star never tries an empty rest
      {"a**", "a", false},
      {"a*", "a", true},
      {"*a", "a", true},
      {"F1", "f1", false},
      {"F1", "F1", true},
      {"F1", "F10", false},
      {"F10", "F1", false},
      {"?", "按", false},  // `?` takes one byte, not one character
      {"??", "按", true},
      {"*时*", "彩保", true},  // 时 = CA B1 straddles 彩 (B2 CA) and 保 (B1 A3)
      {"*左键*", "单机鼠标左键一次", true},
      {"*左键*", "单机鼠标右键一次", false},
      {"*Qelvo有更新*", "新版本Qelvo有更新了", true},
      {"*Qelvo有更新*", "Qelvo有更新", true},
      {"*Qelvo有更新*", "Qelvo有", false},
      {"", "", true},
      {"", "a", false},
      {"a", "", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"*c", "abc", true},
      {"*b*", "abc", true},
      {"*x*", "abc", false},
      // A pattern's double-byte character hides its trail byte from the wildcards.
      {"\x81\x2A", "\x81\x2A", true},
      {"\x81\x2A", "\x81x", false},
      {"\x81\x3F", "\x81z", false},
      // The byte 0x80 is not a lead byte for the matcher: '*' after it is a wildcard.
      {"\x80*", "\x80zz", true},
      // A lead byte at the pattern's very end is matched on its own.
      {"a\x81", "a\x81", true},
      {"a\x81", "a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(likeMatch(c.pattern, c.text), c.expected) << "pattern [" << c.pattern << "] text [" << c.text << "]";
  }
}

TEST(LikeMatch, TrailingTextAfterStarOfferedToRest) {
  // The rest of the pattern after `*` is retried at every byte offset, in order.
  EXPECT_TRUE(likeMatch("*a*b", "xxaxxbyb"));
  EXPECT_FALSE(likeMatch("*a*b", "xxaxxbyc"));
}

TEST(LikeMatch, ManyStarsStayFast) {
  const std::string pattern(30, '*');
  const std::string text(300, 'a');
  EXPECT_FALSE(likeMatch(pattern + "b", text));
  EXPECT_TRUE(likeMatch(pattern + "a", text));
}

struct SplitCase {
  std::string text;
  std::string separator;
  std::vector<std::string> expected;
};

TEST(SplitText, Table) {
  const SplitCase cases[] = {
      {"a,,b", ",", {"a", "", "b"}},
      {",a", ",", {"", "a"}},
      {"a,", ",", {"a"}},
      {"", ",", {}},
      {"abc", ",", {"abc"}},
      {",", ",", {""}},
      {",,", ",", {"", ""}},
      {"按住F1键1秒", "住", {"按", "F1键1秒"}},
      {"键一次", "键", {"", "一次"}},
      {"按住住", "住", {"按", ""}},
      {"彩保", "时", {"彩保"}},  // 时's bytes straddle two characters: not a separator there
      {"100，200", ",", {"100，200"}},
      {"1、a\r\n2、b\r\n", "\r\n", {"1、a", "2、b"}},
      {"a\r\n\r\nb", "\r\n", {"a", "", "b"}},
      {"x\x80,y", ",", {"x\x80,y"}},  // 0x80 leads a pair here: the comma after it is its trail
      {"x,\x81", ",", {"x", "\x81"}},  // a dangling lead byte at the end stops the scan
      {"ab", "abc", {"ab"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(splitText(c.text, c.separator), c.expected) << "text [" << c.text << "] sep [" << c.separator << "]";
  }
}

struct IntCase {
  std::string text;
  int32_t expected;
};

TEST(LeadingInt, Table) {
  const IntCase cases[] = {
      {"1000", 1000},
      {"  12abc", 12},
      {"１０００", 1000},
      {"　12", 12},  // ideographic space
      {"-5秒", -5},
      {"+7", 7},
      {"－３", -3},  // full-width minus and digit
      {"秒", 0},
      {"", 0},
      {"abc", 0},
      {"5秒", 5},
      {"200)", 200},
      {"\t\n\v\f\r 9", 9},
      {"- 5", 0},
      {"--5", 0},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MIN},
      {"4294967296", 0},
      {"4294967297", 1},
      {"-2147483648", INT32_MIN},
      {"99999999999", static_cast<int32_t>(99999999999LL & 0xFFFFFFFF)},
      {"12\xA3", 12},   // dangling lead byte
      {"\xA3", 0},
      {"1２3", 123},
      {"1,2", 1},
      {"1，2", 1},  // full-width comma reads as ',' and ends the digits
      {"\xA3\xA0" "5", 0},  // A3 A0 is not a full-width form: it ends the number
  };
  for (const auto& c : cases) {
    EXPECT_EQ(leadingInt(c.text), c.expected) << "text [" << c.text << "]";
  }
}

TEST(DecimalText, Table) {
  EXPECT_EQ(decimalText(0), "0");
  EXPECT_EQ(decimalText(-7), "-7");
  EXPECT_EQ(decimalText(999999), "999999");
  EXPECT_EQ(decimalText(INT32_MIN), "-2147483648");
  EXPECT_EQ(decimalText(INT32_MAX), "2147483647");
}

TEST(DecimalText, RoundTripsThroughLeadingInt) {
  for (int64_t v = INT32_MIN; v <= INT32_MAX; v += 65537 * 13) {
    const auto i = static_cast<int32_t>(v);
    ASSERT_EQ(leadingInt(decimalText(i)), i);
  }
}

TEST(Literals, AreGbkBytes) {
  // The build compiles narrow literals to GBK: 按 is B0 B4, 、 is A1 A2.
  EXPECT_EQ(std::string("按"), "\xB0\xB4");
  EXPECT_EQ(std::string("、"), "\xA1\xA2");
}

}  // namespace
}  // namespace qelvo
