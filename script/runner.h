#pragma once
// The script runner and its run control: passes over the script list, each line
// recognised and performed as input; Run, Stop and the End key's toggle.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "script/input_actions.h"
#include "script/messages.h"

namespace qelvo {

// The main window's controls that run control touches, by their role.
enum class RunControl {
  RunButton,      // 按钮6
  KeyBox,         // 组合框1
  ButtonBox,      // 组合框2
  DelayBox,       // 编辑框1
  CoordinateBox,  // 编辑框2
  RepeatBox,      // 编辑框3
  InsertTap,      // 按钮1
  InsertClick,    // 按钮2
  InsertDelay,    // 按钮3
  InsertMove,     // 按钮4
  DeleteButton,   // 按钮5
  ScriptList,     // 超级列表框1
  StopButton,     // 按钮7
};

// The runner's view of the main window. Called from the UI thread or from a
// hotkey worker thread; the window implements it through the window system.
class RunnerView {
 public:
  virtual int rowCount() = 0;
  // The empty text for a row that no longer exists.
  virtual std::string rowText(int row) = 0;
  virtual std::string repeatText() = 0;
  virtual bool runButtonVisible() = 0;
  virtual void setVisible(RunControl control, bool visible) = 0;
  virtual void setEnabled(RunControl control, bool enabled) = 0;

 protected:
  ~RunnerView() = default;
};

class ScriptRunner {
 public:
  ScriptRunner(RunnerView& view, InputActions& input, MessageSink& messages);

  void startRun();   // returns when the run has ended
  void stopRun();    // returns at once; the run ends at its pass boundary
  void toggleRun();  // startRun when the Run button shows, otherwise stopRun

  // Sends the key-up of a key that a hold line holds down right now, if any.
  // Called on every way out of the program, from any thread.
  void releaseHeldKey();

  int32_t remainingPasses() const { return remainingPasses_.load(); }

 private:
  void runPasses();
  void executeLine(std::string_view line);

  RunnerView& view_;
  InputActions& input_;
  MessageSink& messages_;
  std::atomic<int32_t> remainingPasses_{0};
  std::atomic<int32_t> heldKey_{0};  // virtual key a hold line has down, 0 for none
};

}  // namespace qelvo
