#pragma once
// The runner's only road to the operating system: injected input, the pointer,
// and a wait that keeps the waiting thread's window messages flowing.
#include <cstdint>

namespace qelvo {

class InputActions {
 public:
  // Each sends one event, then waits 50 ms (pumping messages).
  virtual void keyDown(int32_t virtualKey, bool extended = false) = 0;
  virtual void keyUp(int32_t virtualKey, bool extended = false) = 0;
  // Press and release at once, no wait.
  virtual void tapKey(int32_t virtualKey) = 0;
  // 1 left, 2 right; one click where the pointer is, no wait.
  virtual void clickMouse(int32_t button) = 0;
  virtual void moveCursor(int32_t x, int32_t y) = 0;
  virtual void waitPumping(int32_t milliseconds) = 0;
  virtual int32_t cursorX() = 0;
  virtual int32_t cursorY() = 0;

 protected:
  ~InputActions() = default;
};

}  // namespace qelvo
