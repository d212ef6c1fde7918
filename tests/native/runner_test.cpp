#include "script/runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qelvo {
namespace {

const char* controlName(RunControl c) {
  switch (c) {
    case RunControl::RunButton: return "Run";
    case RunControl::KeyBox: return "KeyBox";
    case RunControl::ButtonBox: return "ButtonBox";
    case RunControl::DelayBox: return "DelayBox";
    case RunControl::CoordinateBox: return "CoordinateBox";
    case RunControl::RepeatBox: return "RepeatBox";
    case RunControl::InsertTap: return "InsertTap";
    case RunControl::InsertClick: return "InsertClick";
    case RunControl::InsertDelay: return "InsertDelay";
    case RunControl::InsertMove: return "InsertMove";
    case RunControl::DeleteButton: return "Delete";
    case RunControl::ScriptList: return "List";
    case RunControl::StopButton: return "Stop";
  }
  return "?";
}

using Events = std::vector<std::string>;

// What the window shows when a run starts and when it stops, in order.
const Events kEnterRunning = {"hide Run",           "disable KeyBox",    "disable ButtonBox",
                              "disable DelayBox",   "disable CoordinateBox", "disable RepeatBox",
                              "disable InsertTap",  "disable InsertClick", "disable InsertDelay",
                              "disable InsertMove", "disable Delete",    "disable List",
                              "show Stop"};
const Events kEnterIdle = {"show Run",          "enable KeyBox",     "enable ButtonBox",
                           "enable DelayBox",   "enable CoordinateBox", "enable RepeatBox",
                           "enable InsertTap",  "enable InsertClick", "enable InsertDelay",
                           "enable InsertMove", "enable Delete",     "enable List",
                           "hide Stop"};

Events concat(std::initializer_list<Events> parts) {
  Events all;
  for (const Events& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The main window as a plain struct: rows, the repeat box and control states.
// Every change and every input call goes into one event list, so order shows.
struct FakeView final : RunnerView {
  Events* events = nullptr;
  const ScriptRunner* runner = nullptr;
  std::vector<std::string> rows;
  std::string repeat = "1";
  std::map<RunControl, bool> visible{{RunControl::RunButton, true}, {RunControl::StopButton, false}};
  std::map<RunControl, bool> enabled;
  std::vector<int32_t> passesAtChange;  // remainingPasses as each control changed
  int rowCountReads = 0;
  int rowTextReads = 0;

  int rowCount() override {
    ++rowCountReads;
    return static_cast<int>(rows.size());
  }
  std::string rowText(int row) override {
    ++rowTextReads;
    return row < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(row)] : std::string();
  }
  std::string repeatText() override { return repeat; }
  bool runButtonVisible() override { return visible[RunControl::RunButton]; }
  void setVisible(RunControl c, bool v) override {
    visible[c] = v;
    changed(std::string(v ? "show " : "hide ") + controlName(c));
  }
  void setEnabled(RunControl c, bool e) override {
    enabled[c] = e;
    changed(std::string(e ? "enable " : "disable ") + controlName(c));
  }
  void changed(std::string what) {
    events->push_back(std::move(what));
    passesAtChange.push_back(runner->remainingPasses());
  }
  bool idle() {
    return visible[RunControl::RunButton] && !visible[RunControl::StopButton] &&
           std::all_of(enabled.begin(), enabled.end(), [](const auto& e) { return e.second; });
  }
};

// Records each call with the fake clock's time and advances the clock as the
// real actions would take: 50 ms for keyDown and keyUp, the asked time for a wait.
struct FakeInput final : InputActions {
  Events* events = nullptr;
  int64_t now = 0;
  int waits = 0;
  const void* lowestFrame = nullptr;
  const void* highestFrame = nullptr;
  // Runs inside the call, as a message dispatched during that call's wait would.
  std::function<void(const std::string& op)> during;

  void keyDown(int32_t vk, bool extended) override {
    record("keyDown " + std::to_string(vk) + (extended ? " ext" : ""), "keyDown");
    now += 50;
  }
  void keyUp(int32_t vk, bool extended) override {
    record("keyUp " + std::to_string(vk) + (extended ? " ext" : ""), "keyUp");
    now += 50;
  }
  void tapKey(int32_t vk) override { record("tapKey " + std::to_string(vk), "tapKey"); }
  void clickMouse(int32_t button) override { record("clickMouse " + std::to_string(button), "clickMouse"); }
  void moveCursor(int32_t x, int32_t y) override {
    record("moveCursor " + std::to_string(x) + " " + std::to_string(y), "moveCursor");
  }
  void waitPumping(int32_t ms) override {
    ++waits;
    const void* frame = __builtin_frame_address(0);
    if (lowestFrame == nullptr || frame < lowestFrame) lowestFrame = frame;
    if (highestFrame == nullptr || frame > highestFrame) highestFrame = frame;
    record("wait " + std::to_string(ms), "wait");
    if (ms > 0) now += ms;
  }
  int32_t cursorX() override { return 0; }
  int32_t cursorY() override { return 0; }

  void record(std::string what, const std::string& op) {
    if (events != nullptr) events->push_back("@" + std::to_string(now) + " " + what);
    if (during) during(op);
  }
};

struct LoggedMessages final : MessageSink {
  Events* events = nullptr;
  void show(std::string_view text) override { events->push_back("message " + std::string(text)); }
};

struct Harness {
  Events events;
  FakeView view;
  FakeInput input;
  LoggedMessages messages;
  ScriptRunner runner{view, input, messages};

  Harness(std::vector<std::string> rows, std::string repeat) {
    view.events = input.events = messages.events = &events;
    view.runner = &runner;
    view.rows = std::move(rows);
    view.repeat = std::move(repeat);
  }
  // Only what reached the system, without the control changes.
  Events inputs() const {
    Events out;
    for (const auto& e : events)
      if (e[0] == '@' || e.rfind("message", 0) == 0) out.push_back(e);
    return out;
  }
};

const std::string kDelay1000 = "延时1000毫秒";
const std::string kTapF1 = "按键盘F1键一次";
const std::string kBadMoveMessage = "message 脚本中存在错误的坐标值，请检查脚本并改正。";

TEST(ScriptRunner, RepeatTextGivesPassCount) {
  const struct {
    const char* repeat;
    int passes;
  } cases[] = {{"3", 3}, {"１０", 10}, {"10abc", 10}, {"0", 0}, {"-1", 0}, {"abc", 0}, {"", 0}};
  for (const auto& c : cases) {
    Harness h({kDelay1000}, c.repeat);
    h.runner.startRun();
    EXPECT_EQ(h.input.waits, c.passes) << c.repeat;
    EXPECT_EQ(h.input.now, 1000 * c.passes) << c.repeat;
    EXPECT_EQ(h.runner.remainingPasses(), 0) << c.repeat;
    EXPECT_TRUE(h.view.idle()) << c.repeat;
    if (c.passes == 0) {
      // The Run button is hidden and shown again at once.
      EXPECT_EQ(h.events, concat({kEnterRunning, kEnterIdle})) << c.repeat;
    }
  }
}

TEST(ScriptRunner, RunSwitchesControlsInOrderAroundThePasses) {
  Harness h({kTapF1}, "2");
  h.runner.startRun();
  EXPECT_EQ(h.events, concat({kEnterRunning, {"@0 tapKey 112", "@0 tapKey 112"}, kEnterIdle}));
}

TEST(ScriptRunner, EmptyScriptShowsMessageAndChangesNothing) {
  Harness h({}, "5");
  h.runner.startRun();
  EXPECT_EQ(h.events, Events{"message 脚本内容为空，请先插入脚本再运行。"});
  EXPECT_TRUE(h.view.idle());
  EXPECT_EQ(h.runner.remainingPasses(), 0);
}

TEST(ScriptRunner, StopDuringSecondPassFinishesThatPassAndStartsNoThird) {
  Harness h({kDelay1000, kTapF1}, "3");
  size_t stopAt = 0;
  h.input.during = [&](const std::string& op) {
    if (op == "wait" && h.input.waits == 2) {
      stopAt = h.view.passesAtChange.size();
      h.runner.stopRun();
    }
  };
  h.runner.startRun();
  EXPECT_EQ(h.events, concat({kEnterRunning,
                              {"@0 wait 1000", "@1000 tapKey 112", "@1000 wait 1000"},
                              kEnterIdle,  // at once, while the second pass waits
                              {"@2000 tapKey 112"},
                              kEnterIdle}));  // the pass boundary finds no pass due
  // The counter drops to 0 between the enables and hiding the Stop button.
  ASSERT_GE(h.view.passesAtChange.size(), stopAt + 13);
  for (size_t i = stopAt; i < stopAt + 12; ++i) EXPECT_EQ(h.view.passesAtChange[i], 2) << i;
  EXPECT_EQ(h.view.passesAtChange[stopAt + 12], 0);
  EXPECT_EQ(h.runner.remainingPasses(), 0);
  EXPECT_TRUE(h.view.idle());
}

TEST(ScriptRunner, ToggleStartsWhenRunButtonShowsAndStopsOtherwise) {
  Harness h({kDelay1000}, "999999");
  h.input.during = [&](const std::string& op) {
    if (op == "wait" && h.input.waits == 3) h.runner.toggleRun();  // End again while running
  };
  h.runner.toggleRun();
  EXPECT_EQ(h.input.waits, 3);
  EXPECT_TRUE(h.view.idle());
  EXPECT_EQ(h.runner.remainingPasses(), 0);

  // Whatever else the window shows, a hidden Run button means running: stop only.
  Harness hidden({kDelay1000}, "5");
  hidden.view.visible[RunControl::RunButton] = false;
  hidden.runner.toggleRun();
  EXPECT_EQ(hidden.events, kEnterIdle);
}

TEST(ScriptRunner, HoldPressesWaitsAndReleases) {
  const struct {
    const char* line;
    Events expected;
    int64_t took;
  } cases[] = {
      {"按住上光标键2秒", {"@0 keyDown 38 ext", "@50 wait 2000", "@2050 keyUp 38"}, 2100},
      {"按住下光标键2秒", {"@0 keyDown 40", "@50 wait 2000", "@2050 keyUp 40"}, 2100},
      {"按住回车键1秒", {"@0 keyDown 13", "@50 wait 1000", "@1050 keyUp 13"}, 1100},
      {"按住F1键1秒", {"@0 keyDown 112", "@50 wait 1000", "@1050 keyUp 112"}, 1100},
  };
  for (const auto& c : cases) {
    Harness h({c.line}, "1");
    h.runner.startRun();
    EXPECT_EQ(h.inputs(), c.expected) << c.line;
    EXPECT_EQ(h.input.now, c.took) << c.line;
  }
}

TEST(ScriptRunner, HoldTimeIsLow32BitsOfSecondsTimesThousand) {
  const struct {
    const char* seconds;
    int32_t wait;
  } cases[] = {{"0", 0},
               {"-3", -3000},
               {"2147483", 2147483000},
               {"2147484", -2147483296},
               {"4294968", 704},
               {"2147483647", -1000}};
  for (const auto& c : cases) {
    Harness h({"按住A键" + std::string(c.seconds) + "秒"}, "1");
    h.runner.startRun();
    EXPECT_EQ(h.inputs(), (Events{"@0 keyDown 65", "@50 wait " + std::to_string(c.wait),
                                  "@" + std::to_string(50 + std::max(c.wait, 0)) + " keyUp 65"}))
        << c.seconds;
  }
}

TEST(ScriptRunner, EachLineFormPerformsItsStep) {
  const struct {
    const char* line;
    Events expected;
  } cases[] = {
      {"按键盘空格键一次", {"@0 tapKey 32"}},
      {"按键盘上光标键一次", {"@0 tapKey 38"}},
      {"单机鼠标左键一次", {"@0 clickMouse 1"}},
      {"单机鼠标右键一次", {"@0 clickMouse 2"}},
      {"延时250毫秒", {"@0 wait 250"}},
      {"鼠标移动到屏幕坐标(100,200)", {"@0 moveCursor 100 200"}},
      {"鼠标移动到屏幕坐标(-5,７)", {"@0 moveCursor -5 7"}},
  };
  for (const auto& c : cases) {
    Harness h({c.line}, "1");
    h.runner.startRun();
    EXPECT_EQ(h.inputs(), c.expected) << c.line;
  }
}

TEST(ScriptRunner, UnknownKeysAndIncompleteLinesDoNothingAndTakeNoTime) {
  for (const char* line : {"按住f1键5秒", "按键盘f1键一次", "按住F1", "按键盘", "延时", "鼠标移动",
                           "hello", "", "按住键5秒"}) {
    Harness h({line, line}, "2");
    h.runner.startRun();
    EXPECT_EQ(h.inputs(), Events{}) << line;
    EXPECT_EQ(h.input.now, 0) << line;
    EXPECT_TRUE(h.view.idle()) << line;
  }
}

TEST(ScriptRunner, BadCoordinatesShowMessageOncePerLinePerPassAndRunGoesOn) {
  const std::string bad = "鼠标移动到屏幕坐标(坐标编辑框)";
  Harness h({bad, kTapF1}, "3");
  h.runner.startRun();
  Events expected;
  for (int pass = 0; pass < 3; ++pass) {
    expected.push_back(kBadMoveMessage);
    expected.push_back("@0 tapKey 112");
  }
  EXPECT_EQ(h.inputs(), expected);
}

TEST(ScriptRunner, RowsChangedMidPassAreReadByIndexUpToThePassCount) {
  const struct {
    const char* what;
    std::vector<std::string> replacement;
    Events expected;
  } cases[] = {
      // Rows past the new end read as empty and do nothing; the next pass is shorter.
      {"shrunk",
       {kTapF1, "延时10毫秒"},
       {"@0 tapKey 112", "@0 wait 10", "@10 tapKey 112", "@10 wait 10"}},
      // A loaded script is read from the current index up to the old count.
      {"loaded",
       {"按键盘A键一次", "延时10毫秒", "按键盘B键一次", "按键盘C键一次", "按键盘D键一次"},
       {"@0 tapKey 112", "@0 wait 10", "@10 tapKey 66", "@10 tapKey 67", "@10 tapKey 65",
        "@10 wait 10", "@20 tapKey 66", "@20 tapKey 67", "@20 tapKey 68"}},
  };
  for (const auto& c : cases) {
    Harness h({kTapF1, "延时10毫秒", "按键盘F2键一次", "按键盘F3键一次"}, "2");
    h.input.during = [&](const std::string& op) {
      if (op == "wait" && h.input.waits == 1) h.view.rows = c.replacement;
    };
    h.runner.startRun();
    EXPECT_EQ(h.inputs(), c.expected) << c.what;
    // One row count at the start, one per pass; one text read per row reached.
    EXPECT_EQ(h.view.rowCountReads, 3) << c.what;
    EXPECT_EQ(h.view.rowTextReads, 4 + static_cast<int>(c.replacement.size())) << c.what;
  }
}

TEST(ScriptRunner, DefaultRepeatCountRunsEveryPassAtOneStackDepth) {
  Harness h({"延时1毫秒"}, "999999");
  h.input.events = nullptr;  // a million records would only measure the fake
  h.runner.startRun();
  EXPECT_EQ(h.input.waits, 999999);
  EXPECT_EQ(h.input.lowestFrame, h.input.highestFrame);
  EXPECT_TRUE(h.view.idle());
}

TEST(ScriptRunner, ReleaseHeldKeySendsKeyUpWheneverTheHoldMayHaveItDown) {
  for (const char* moment : {"keyDown", "wait", "keyUp"}) {
    Harness h({"按住上光标键2秒"}, "1");
    std::string sentAt;
    h.input.during = [&](const std::string& op) {
      if (op != moment || !sentAt.empty()) return;
      sentAt = op;
      const size_t before = h.events.size();
      h.runner.releaseHeldKey();
      ASSERT_EQ(h.events.size(), before + 1) << moment;
      EXPECT_NE(h.events.back().find("keyUp 38"), std::string::npos) << moment;
      EXPECT_EQ(h.events.back().find("ext"), std::string::npos) << moment;
    };
    h.runner.startRun();
    EXPECT_EQ(sentAt, moment);
    const size_t after = h.events.size();
    h.runner.releaseHeldKey();  // nothing held any more
    EXPECT_EQ(h.events.size(), after) << moment;
  }
}

TEST(ScriptRunner, ReleaseHeldKeyWithNothingHeldSendsNothing) {
  Harness h({kTapF1}, "1");
  h.runner.releaseHeldKey();
  h.runner.startRun();
  h.runner.releaseHeldKey();
  EXPECT_EQ(h.inputs(), Events{"@0 tapKey 112"});
}

TEST(ScriptRunner, RunNestedInAHoldHandsTheOuterKeyBack) {
  // A Run click dispatched during a hold's wait starts a whole run inside it.
  Harness h({"按住回车键1秒"}, "1");
  bool nested = false;
  Events released;
  h.input.during = [&](const std::string& op) {
    if (op != "wait" || nested) return;
    nested = true;
    h.view.rows = {"按住F1键1秒"};
    h.runner.startRun();
    const size_t before = h.events.size();
    h.runner.releaseHeldKey();
    released.assign(h.events.begin() + static_cast<std::ptrdiff_t>(before), h.events.end());
  };
  h.runner.startRun();
  ASSERT_EQ(released.size(), 1u);
  EXPECT_NE(released[0].find("keyUp 13"), std::string::npos);
}

}  // namespace
}  // namespace qelvo
