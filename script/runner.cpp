#include "script/runner.h"

#include "script/script_lines.h"
#include "script/text.h"

namespace qelvo {

namespace {

constexpr std::string_view kEmptyScriptMessage = "脚本内容为空，请先插入脚本再运行。";
constexpr std::string_view kBadCoordinatesMessage = "脚本中存在错误的坐标值，请检查脚本并改正。";

// The editor's controls, in the order in which run control switches them.
constexpr RunControl kEditorControls[] = {
    RunControl::KeyBox,     RunControl::ButtonBox,   RunControl::DelayBox,
    RunControl::CoordinateBox, RunControl::RepeatBox, RunControl::InsertTap,
    RunControl::InsertClick, RunControl::InsertDelay, RunControl::InsertMove,
    RunControl::DeleteButton, RunControl::ScriptList,
};

// Seconds x 1000 in double, cut to 64 bits, of which the low 32 are the wait.
int32_t holdMilliseconds(int32_t seconds) {
  const auto wide = static_cast<int64_t>(static_cast<double>(seconds) * 1000.0);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
}

}  // namespace

ScriptRunner::ScriptRunner(RunnerView& view, InputActions& input, MessageSink& messages)
    : view_(view), input_(input), messages_(messages) {}

void ScriptRunner::startRun() {
  if (view_.rowCount() < 1) {
    messages_.show(kEmptyScriptMessage);
    return;
  }
  view_.setVisible(RunControl::RunButton, false);
  for (RunControl c : kEditorControls) view_.setEnabled(c, false);
  view_.setVisible(RunControl::StopButton, true);
  remainingPasses_.store(leadingInt(view_.repeatText()));
  runPasses();
}

void ScriptRunner::stopRun() {
  view_.setVisible(RunControl::RunButton, true);
  for (RunControl c : kEditorControls) view_.setEnabled(c, true);
  remainingPasses_.store(0);
  view_.setVisible(RunControl::StopButton, false);
}

void ScriptRunner::toggleRun() {
  if (view_.runButtonVisible()) {
    startRun();
  } else {
    stopRun();
  }
}

void ScriptRunner::runPasses() {
  // A loop, not a recursion: 999999 passes must cost what one pass costs.
  for (;;) {
    if (remainingPasses_.load() < 1) {
      stopRun();
      return;
    }
    const int rows = view_.rowCount();
    for (int row = 0; row < rows; ++row) executeLine(view_.rowText(row));
    // A concurrent stop's 0 only goes further below 1; it is never undone.
    remainingPasses_.fetch_sub(1);
  }
}

void ScriptRunner::executeLine(std::string_view line) {
  const RecognisedLine step = recogniseLine(line);
  if (!step.complete) return;
  switch (step.form) {
    case LineForm::Hold: {
      const KeyName* key = findKey(step.keyName);
      if (key == nullptr) return;
      // The key may be down from the moment keyDown is entered until keyUp has
      // returned, so that is the span in which an exit must release it. A hold
      // nested in another run's wait hands the outer key back when it ends.
      const int32_t outer = heldKey_.exchange(key->code);
      input_.keyDown(key->code, key->holdExtended);
      input_.waitPumping(holdMilliseconds(step.seconds));
      input_.keyUp(key->code, false);
      int32_t mine = key->code;
      heldKey_.compare_exchange_strong(mine, outer);
      return;
    }
    case LineForm::Tap:
      if (const KeyName* key = findKey(step.keyName)) input_.tapKey(key->code);
      return;
    case LineForm::Click:
      input_.clickMouse(static_cast<int32_t>(step.button));
      return;
    case LineForm::Delay:
      input_.waitPumping(step.milliseconds);
      return;
    case LineForm::Move:
      if (step.badCoordinates) {
        messages_.show(kBadCoordinatesMessage);
      } else {
        input_.moveCursor(step.x, step.y);
      }
      return;
    case LineForm::None:
      return;
  }
}

void ScriptRunner::releaseHeldKey() {
  // Through keyUp with its 50 ms wait: the event is in the system's queue once
  // sent, so the wait costs only a moment on the way out, and keeping to the one
  // injection path means an exit releases a key exactly as a hold line does.
  const int32_t key = heldKey_.exchange(0);
  if (key != 0) input_.keyUp(key, false);
}

}  // namespace qelvo
