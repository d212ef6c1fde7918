#include "script/script_lines.h"

#include <algorithm>
#include <vector>

#include "script/text.h"

namespace qelvo {

const std::array<KeyName, 55> KeyNameTable = {{
    {"F1", 112, false, 1},   {"F2", 113, false, 2},   {"F3", 114, false, 3},
    {"F4", 115, false, 4},   {"F5", 116, false, 5},   {"F6", 117, false, 6},
    {"F7", 118, false, 7},   {"F8", 119, false, 8},   {"A", 65, false, 19},
    {"B", 66, false, 32},    {"C", 67, false, 30},    {"D", 68, false, 21},
    {"E", 69, false, 11},    {"F", 70, false, 22},    {"G", 71, false, 23},
    {"H", 72, false, 24},    {"I", 73, false, 16},    {"J", 74, false, 25},
    {"K", 75, false, 26},    {"L", 76, false, 27},    {"M", 77, false, 34},
    {"N", 78, false, 33},    {"O", 79, false, 17},    {"P", 80, false, 18},
    {"Q", 81, false, 9},     {"R", 82, false, 12},    {"S", 83, false, 20},
    {"T", 84, false, 13},    {"U", 85, false, 15},    {"V", 86, false, 31},
    {"W", 87, false, 10},    {"X", 88, false, 29},    {"Y", 89, false, 14},
    {"Z", 90, false, 28},    {"1", 49, false, 35},    {"2", 50, false, 36},
    {"3", 51, false, 37},    {"4", 52, false, 38},    {"5", 53, false, 39},
    {"6", 54, false, 40},    {"7", 55, false, 41},    {"8", 56, false, 42},
    {"9", 57, false, 43},    {"0", 48, false, 44},    {"Tab", 9, false, 45},
    {"CapsLock", 20, false, 46}, {"Shift", 16, false, 47}, {"Ctrl", 17, false, 48},
    {"Alt", 18, false, 49},  {"上光标", 38, true, 52}, {"下光标", 40, false, 53},
    {"左光标", 37, false, 54}, {"右光标", 39, false, 55}, {"空格", 32, false, 50},
    {"回车", 13, false, 51},
}};

const std::string_view kMoveNeedsCoordinatesMessage = "请输入鼠标将要移动到的位置坐标";

std::array<std::string_view, 55> keyListNames() {
  std::array<std::string_view, 55> names{};
  for (const KeyName& k : KeyNameTable) names[static_cast<size_t>(k.listPosition - 1)] = k.name;
  return names;
}

const KeyName* findKey(std::string_view name) {
  // Row names hold no wildcard, so the pattern test is exact equality.
  for (const KeyName& k : KeyNameTable) {
    if (likeMatch(k.name, name)) return &k;
  }
  return nullptr;
}

namespace {
std::string concat(std::initializer_list<std::string_view> parts) {
  std::string s;
  for (std::string_view p : parts) s += p;
  return s;
}
}  // namespace

std::string buildTapLine(std::string_view keyName) { return concat({"按键盘", keyName, "键一次"}); }

std::string buildHoldLine(std::string_view keyName, std::string_view seconds) {
  return concat({"按住", keyName, "键", seconds, "秒"});
}

std::string buildClickLine(std::string_view buttonName) {
  return concat({"单机鼠标", buttonName, "一次"});
}

std::string buildDelayLine(std::string_view milliseconds) {
  return concat({"延时", milliseconds, "毫秒"});
}

std::optional<std::string> buildMoveLine(std::string_view coordinates, MessageSink& messages) {
  if (coordinates.empty()) {
    messages.show(kMoveNeedsCoordinatesMessage);
    return std::nullopt;
  }
  return concat({"鼠标移动到屏幕坐标(", coordinates, ")"});
}

void insertLine(ScriptList& list, std::string_view line) {
  const int selected = list.selectedRow();
  list.insertRow(selected >= 0 ? selected : list.rowCount(), line);
}

void appendLine(ScriptList& list, std::string_view line) { list.insertRow(list.rowCount(), line); }

void deleteSelectedLine(ScriptList& list) {
  const int selected = list.selectedRow();
  if (selected >= 0) list.removeRow(selected);
}

RecognisedLine recogniseLine(std::string_view line) {
  RecognisedLine r;
  if (likeMatch("按住*", line)) {
    r.form = LineForm::Hold;
    const auto p = splitText(line, "住");
    if (p.size() < 2) return r;
    const auto q = splitText(p[1], "键");
    if (q.size() < 2) return r;
    r.keyName = q[0];
    r.seconds = leadingInt(q[1]);
  } else if (likeMatch("按键盘*", line)) {
    r.form = LineForm::Tap;
    const auto p = splitText(line, "盘");
    if (p.size() < 2) return r;
    const auto q = splitText(p[1], "键");
    if (q.empty()) return r;
    r.keyName = q[0];
  } else if (likeMatch("单*", line)) {
    r.form = LineForm::Click;
    r.button = likeMatch("*左键*", line) ? MouseButton::Left : MouseButton::Right;
  } else if (likeMatch("延*", line)) {
    r.form = LineForm::Delay;
    const auto p = splitText(line, "时");
    if (p.size() < 2) return r;
    const auto q = splitText(p[1], "毫");
    if (q.empty()) return r;
    r.milliseconds = leadingInt(q[0]);
  } else if (likeMatch("鼠*", line)) {
    r.form = LineForm::Move;
    const auto p = splitText(line, "(");
    if (p.size() < 2) return r;
    const auto q = splitText(p[1], ",");
    if (q.size() < 2) {
      r.badCoordinates = true;
    } else {
      r.x = leadingInt(q[0]);
      r.y = leadingInt(q[1]);
    }
  } else {
    return r;
  }
  r.complete = true;
  return r;
}

}  // namespace qelvo
