#include "script/script_lines.h"

#include <gtest/gtest.h>

#include <set>

#include "support/recording_messages.h"
#include "support/row_list.h"

namespace qelvo {
namespace {

using test::RecordingMessages;
using test::RowList;

TEST(KeyNameTable, RowsCodesAndFlags) {
  ASSERT_EQ(KeyNameTable.size(), 55u);
  EXPECT_EQ(KeyNameTable[0].name, "F1");
  EXPECT_EQ(KeyNameTable[0].code, 112);
  EXPECT_EQ(KeyNameTable[8].name, "A");
  EXPECT_EQ(KeyNameTable[43].name, "0");
  EXPECT_EQ(KeyNameTable[43].code, 48);
  EXPECT_EQ(KeyNameTable[54].name, "回车");
  std::set<std::string_view> names;
  std::set<int> positions;
  for (const auto& k : KeyNameTable) {
    names.insert(k.name);
    positions.insert(k.listPosition);
    EXPECT_EQ(k.holdExtended, k.name == "上光标") << k.name;
  }
  EXPECT_EQ(names.size(), 55u);
  EXPECT_EQ(positions.size(), 55u);
  EXPECT_EQ(*positions.begin(), 1);
  EXPECT_EQ(*positions.rbegin(), 55);
}

TEST(KeyNameTable, ListOrderIsKeyboardOrder) {
  const std::vector<std::string_view> expected = {
      "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "Q", "W", "E", "R", "T", "Y",
      "U", "I", "O", "P", "A", "S", "D", "F", "G", "H", "J", "K", "L", "Z", "X", "C",
      "V", "B", "N", "M", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "Tab",
      "CapsLock", "Shift", "Ctrl", "Alt", "空格", "回车", "上光标", "下光标", "左光标", "右光标"};
  const auto names = keyListNames();
  EXPECT_EQ(std::vector<std::string_view>(names.begin(), names.end()), expected);
}

TEST(FindKey, ExactAndCaseSensitive) {
  const struct {
    const char* name;
    int code;  // 0: not found
  } cases[] = {{"F1", 112}, {"f1", 0}, {"F10", 0}, {"回车", 13}, {"上光标", 38}, {"空格", 32},
               {"", 0},     {"Tab", 9}, {"tab", 0}, {"*", 0},      {"CapsLock", 20}};
  for (const auto& c : cases) {
    const KeyName* k = findKey(c.name);
    EXPECT_EQ(k ? k->code : 0, c.code) << c.name;
  }
}

TEST(Builders, LinesAreFixedPiecesAndFieldsAsTyped) {
  EXPECT_EQ(buildTapLine("F1"), "按键盘F1键一次");
  EXPECT_EQ(buildHoldLine("上光标", "3"), "按住上光标键3秒");
  EXPECT_EQ(buildHoldLine("", ""), "按住键秒");
  EXPECT_EQ(buildClickLine("左键"), "单机鼠标左键一次");
  EXPECT_EQ(buildDelayLine("1000"), "延时1000毫秒");
  EXPECT_EQ(buildDelayLine(""), "延时毫秒");
  EXPECT_EQ(buildDelayLine(" 5 "), "延时 5 毫秒");
  RecordingMessages messages;
  EXPECT_EQ(buildMoveLine("100,200", messages), "鼠标移动到屏幕坐标(100,200)");
  EXPECT_EQ(buildMoveLine("坐标编辑框", messages), "鼠标移动到屏幕坐标(坐标编辑框)");
  EXPECT_TRUE(messages.shown.empty());
}

TEST(Builders, MoveRefusesEmptyCoordinatesWithMessage) {
  RecordingMessages messages;
  EXPECT_FALSE(buildMoveLine("", messages).has_value());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "请输入鼠标将要移动到的位置坐标");
}

TEST(Editing, InsertAtSelectedRowKeepsSelection) {
  RowList list({"A", "B", "C"}, 1);
  insertLine(list, "N1");
  EXPECT_EQ(list.rows(), (std::vector<std::string>{"A", "N1", "B", "C"}));
  EXPECT_EQ(list.selectedRow(), 2);
  insertLine(list, "N2");
  EXPECT_EQ(list.rows(), (std::vector<std::string>{"A", "N1", "N2", "B", "C"}));
  EXPECT_EQ(list.rowText(list.selectedRow()), "B");
}

TEST(Editing, InsertWithoutSelectionAppends) {
  RowList list({"A"});
  insertLine(list, "N");
  EXPECT_EQ(list.rows(), (std::vector<std::string>{"A", "N"}));
  EXPECT_EQ(list.selectedRow(), -1);
}

TEST(Editing, AppendIgnoresSelection) {
  RowList list({"A", "B"}, 0);
  appendLine(list, "H");
  EXPECT_EQ(list.rows(), (std::vector<std::string>{"A", "B", "H"}));
  EXPECT_EQ(list.selectedRow(), 0);
}

TEST(Editing, DeleteSelectedOrNothing) {
  RowList list({"A", "B", "C"}, 1);
  deleteSelectedLine(list);
  EXPECT_EQ(list.rows(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(list.selectedRow(), -1);
  deleteSelectedLine(list);
  EXPECT_EQ(list.rows(), (std::vector<std::string>{"A", "C"}));
}

struct RecogniseCase {
  std::string line;
  LineForm form;
  bool complete;
  std::string key;  // Hold, Tap
  int32_t number;   // Hold seconds, Delay milliseconds, Click button
  bool bad;         // Move
  int32_t x, y;     // Move
};

TEST(Recognition, Table) {
  using F = LineForm;
  const RecogniseCase cases[] = {
      {"按住F1键1秒", F::Hold, true, "F1", 1, false, 0, 0},
      {"按住上光标键3秒", F::Hold, true, "上光标", 3, false, 0, 0},
      {"按住F1键秒", F::Hold, true, "F1", 0, false, 0, 0},
      {"按住f1键5秒", F::Hold, true, "f1", 5, false, 0, 0},
      {"按住F1键１０秒", F::Hold, true, "F1", 10, false, 0, 0},
      {"按住F1键1秒住键9", F::Hold, true, "F1", 1, false, 0, 0},  // after a second 住: ignored
      {"按住", F::Hold, false, "", 0, false, 0, 0},
      {"按住F1", F::Hold, false, "", 0, false, 0, 0},
      {"按住F1键", F::Hold, false, "", 0, false, 0, 0},
      {"按键盘F1键一次", F::Tap, true, "F1", 0, false, 0, 0},
      {"按键盘Tab键一次", F::Tap, true, "Tab", 0, false, 0, 0},
      {"按键盘空格键一次", F::Tap, true, "空格", 0, false, 0, 0},
      {"按键盘键一次", F::Tap, true, "", 0, false, 0, 0},
      {"按键盘F1", F::Tap, true, "F1", 0, false, 0, 0},
      {"按键盘", F::Tap, false, "", 0, false, 0, 0},
      {"单机鼠标左键一次", F::Click, true, "", 1, false, 0, 0},
      {"单机鼠标右键一次", F::Click, true, "", 2, false, 0, 0},
      {"单机鼠标中键一次", F::Click, true, "", 2, false, 0, 0},
      {"单", F::Click, true, "", 2, false, 0, 0},
      {"延时1000毫秒", F::Delay, true, "", 1000, false, 0, 0},
      {"延时１０００毫秒", F::Delay, true, "", 1000, false, 0, 0},
      {"延时abc毫秒", F::Delay, true, "", 0, false, 0, 0},
      {"延时毫秒", F::Delay, true, "", 0, false, 0, 0},  // an empty delay text waits 0 ms
      {"延时", F::Delay, false, "", 0, false, 0, 0},
      {"延", F::Delay, false, "", 0, false, 0, 0},
      {"鼠标移动到屏幕坐标(100,200)", F::Move, true, "", 0, false, 100, 200},
      {"鼠标移动到屏幕坐标(-5,10)", F::Move, true, "", 0, false, -5, 10},
      {"鼠标移动到屏幕坐标(１００,２００)", F::Move, true, "", 0, false, 100, 200},
      {"鼠标移动到屏幕坐标(100,200,300)", F::Move, true, "", 0, false, 100, 200},
      {"鼠标移动到屏幕坐标(100，200)", F::Move, true, "", 0, true, 0, 0},
      {"鼠标移动到屏幕坐标(100)", F::Move, true, "", 0, true, 0, 0},
      {"鼠标移动到屏幕坐标(坐标编辑框)", F::Move, true, "", 0, true, 0, 0},
      {"鼠标移动到屏幕坐标(", F::Move, false, "", 0, false, 0, 0},
      {"鼠标", F::Move, false, "", 0, false, 0, 0},
      {"abc", F::None, false, "", 0, false, 0, 0},
      {"", F::None, false, "", 0, false, 0, 0},
      {"按", F::None, false, "", 0, false, 0, 0},
      {" 延时5毫秒", F::None, false, "", 0, false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("line [" + c.line + "]");
    const RecognisedLine r = recogniseLine(c.line);
    EXPECT_EQ(r.form, c.form);
    EXPECT_EQ(r.complete, c.complete);
    if (!c.complete) continue;
    switch (c.form) {
      case F::Hold:
        EXPECT_EQ(r.keyName, c.key);
        EXPECT_EQ(r.seconds, c.number);
        break;
      case F::Tap:
        EXPECT_EQ(r.keyName, c.key);
        break;
      case F::Click:
        EXPECT_EQ(static_cast<int>(r.button), c.number);
        break;
      case F::Delay:
        EXPECT_EQ(r.milliseconds, c.number);
        break;
      case F::Move:
        EXPECT_EQ(r.badCoordinates, c.bad);
        if (!c.bad) {
          EXPECT_EQ(r.x, c.x);
          EXPECT_EQ(r.y, c.y);
        }
        break;
      case F::None:
        break;
    }
  }
}

TEST(Recognition, BuiltLinesComeBackWithTheirFields) {
  for (std::string_view name : keyListNames()) {
    const auto tap = recogniseLine(buildTapLine(name));
    EXPECT_EQ(tap.form, LineForm::Tap);
    EXPECT_EQ(tap.keyName, name);
    const auto hold = recogniseLine(buildHoldLine(name, "7"));
    EXPECT_EQ(hold.form, LineForm::Hold);
    EXPECT_EQ(hold.keyName, name);
    EXPECT_EQ(hold.seconds, 7);
  }
}

}  // namespace
}  // namespace qelvo
