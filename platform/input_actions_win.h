#pragma once
// Input actions through the system's input functions, and the timed wait that
// keeps the calling thread's messages flowing.
#include "script/input_actions.h"

namespace qelvo {

// Waits the given milliseconds while translating and dispatching the calling
// thread's messages; a quit message stays in the queue. 0 or less returns at once.
void waitPumping(int32_t milliseconds);

class WindowsInputActions final : public InputActions {
 public:
  void keyDown(int32_t virtualKey, bool extended = false) override;
  void keyUp(int32_t virtualKey, bool extended = false) override;
  void tapKey(int32_t virtualKey) override;
  void clickMouse(int32_t button) override;
  void moveCursor(int32_t x, int32_t y) override;
  void waitPumping(int32_t milliseconds) override;
  int32_t cursorX() override;
  int32_t cursorY() override;
};

}  // namespace qelvo
