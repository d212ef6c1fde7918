#include "scriptfiles/script_file.h"

#include <gtest/gtest.h>

#include "support/row_list.h"

namespace qelvo {
namespace {

using namespace std::string_literals;
using test::RowList;
using Rows = std::vector<std::string>;

TEST(ScriptFileFormat, RowsBecomeNumberedGbkLinesEachEndingInCrLf) {
  const struct {
    Rows rows;
    std::string bytes;
  } cases[] = {
      {{"按键盘F1键一次", "延时1000毫秒", "鼠标左键单击一次"},
       "1、按键盘F1键一次\r\n2、延时1000毫秒\r\n3、鼠标左键单击一次\r\n"},
      // The separator and the text are GBK bytes, with no BOM before them.
      {{"按"}, "1\xA1\xA2\xB0\xB4\r\n"},
      {{""}, "1、\r\n"},
      {{"a、b", ""}, "1、a、b\r\n2、\r\n"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatScriptFile(RowList(c.rows)), c.bytes);
  }
}

TEST(ScriptFileFormat, PositionsAreNeverPadded) {
  const RowList script(Rows(11, "x"));
  EXPECT_EQ(formatScriptFile(script),
            "1、x\r\n2、x\r\n3、x\r\n4、x\r\n5、x\r\n6、x\r\n7、x\r\n8、x\r\n9、x\r\n10、x\r\n11、x\r\n");
}

TEST(ScriptFileParse, BytesBecomeRowsInFileOrder) {
  const struct {
    std::string bytes;
    Rows rows;
  } cases[] = {
      {"1、按键盘F1键一次\r\n2、延时1000毫秒\r\n", {"按键盘F1键一次", "延时1000毫秒"}},
      {"1、a\r\n2、b", {"a", "b"}},                       // no CR LF after the last line
      {"3、c\r\n1、a\r\n2、b\r\n", {"c", "a", "b"}},      // numbers are not read
      {"１２、a\r\n", {"a"}},
      // Everything after the first mark is the row: marks inside and at the end stay.
      {"1、abc、\r\n", {"abc、"}},
      {"1、鼠标移动到屏幕坐标(100、200)\r\n", {"鼠标移动到屏幕坐标(100、200)"}},
      {"1、、\r\n", {"、"}},
      {"3、\r\n", {""}},
      {"1、a\r\n2、\r\n3、b\r\n", {"a", "", "b"}},
      // A hand-written line without a mark is a row as it stands; empty lines are none.
      {"abc\r\n", {"abc"}},
      {"1、a\r\n\r\n\r\n2、b\r\n\r\n", {"a", "b"}},
      // A mark is found only where a character starts: 啊ⅰ is B0 A1 A2 A1.
      {"啊ⅰ\r\n", {"啊ⅰ"}},
      {"啊ⅰ、x\r\n", {"x"}},
      // The text ends at the first NUL or 0x1A; a line cut by it keeps its first part.
      {"1、a\r\n2、bc\0d\r\n3、e\r\n"s, {"a", "bc"}},
      {"1、a\r\n2、bc\x1A" "d\r\n3、e\r\n", {"a", "bc"}},
      {"\0" "1、a\r\n"s, {}},
      {"", {}},
      {"\r\n", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parseScriptFile(c.bytes), c.rows) << c.bytes;
  }
}

TEST(ScriptFileParse, EveryRowComesBackFromItsOwnFile) {
  const Rows rows = {"鼠标移动到屏幕坐标(100、200)", "abc、", "、", "", "１２３、４",
                     "按键盘回车键一次", "啊ⅰ", "3、x", ""};
  EXPECT_EQ(parseScriptFile(formatScriptFile(RowList(rows))), rows);
}

TEST(ScriptFileParse, LoadingReplacesEveryRow) {
  RowList script({"old 1", "old 2"}, 1);
  loadScriptRows(script, "1、new\r\n2、\r\n");
  EXPECT_EQ(script.rows(), (Rows{"new", ""}));
  EXPECT_EQ(script.selectedRow(), -1);
}

TEST(ScriptName, OnlyPlainFileNamesAreAccepted) {
  const struct {
    std::wstring name;
    bool accepted;
  } cases[] = {
      {L"我的脚本", true}, {L"a b", true}, {L"a.ini", true}, {L" .x. ", true}, {L"..", true},
      {L"a\\b", false},    {L"..\\x", false}, {L"a/b", false}, {L"c:x", false}, {L"*", false},
      {L"a?", false},      {L"\"q\"", false}, {L"<", false},   {L"a>", false},  {L"|", false},
      {L"a\tb", false},    {L"a\nb", false},  {L"\x1F", false}, {L"\x7F", false},
      {L"a\0b"s, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isAcceptableScriptName(c.name), c.accepted) << c.name.size();
  }
}

}  // namespace
}  // namespace qelvo
