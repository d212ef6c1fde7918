#include "platform/input_actions_win.h"

#include <windows.h>

#include "platform/timed_wait_win.h"
#include "platform/unique_handle_win.h"

namespace qelvo {

#ifdef QELVO_32BIT
// The keyboard record is the system's published 28-byte one on the shipping build.
static_assert(sizeof(INPUT) == 28, "INPUT must be the 28-byte record of 32-bit Windows");
#endif

namespace {

// Keys, mouse moves, mouse buttons, posted, timer, paint, sent and hot-key
// messages: everything but raw input.
constexpr DWORD kWakeMask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER |
                            QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;
static_assert(kWakeMask == 255);

// Missing from the headers for our target version; systems older than that
// flag refuse it, and the plain timer serves.
constexpr DWORD kHighResolutionTimer = 0x00000002;

// A point on the performance counter some milliseconds from now.
class Deadline {
 public:
  explicit Deadline(int32_t milliseconds) {
    LARGE_INTEGER f;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&now);
    frequency_ = f.QuadPart;
    const int64_t ms = milliseconds > 0 ? milliseconds : 0;
    // Split so that no product overflows; round up so the end is never early.
    end_ = now.QuadPart + ms / 1000 * frequency_ + (ms % 1000 * frequency_ + 999) / 1000;
  }

  // Milliseconds still to go, rounded up; 0 once the end has passed.
  DWORD remaining() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const int64_t ticks = end_ - now.QuadPart;
    if (ticks <= 0) return 0;
    const int64_t ms = ticks / frequency_ * 1000 + (ticks % frequency_ * 1000 + frequency_ - 1) / frequency_;
    return static_cast<DWORD>(ms);
  }

 private:
  int64_t frequency_ = 1;
  int64_t end_ = 0;
};

void waitUntil(const Deadline& deadline) {
  for (DWORD left = deadline.remaining(); left > 0; left = deadline.remaining()) {
    const DWORD result = MsgWaitForMultipleObjects(0, nullptr, FALSE, left, kWakeMask);
    if (result == WAIT_OBJECT_0) {
      pumpPendingMessages();
    } else if (result == WAIT_FAILED) {
      Sleep(left);  // no wait that pumps is left: keep the time, never spin
    }
  }
}

UniqueKernelHandle createTimer() {
  // A high-resolution timer ends a 50 ms wait after 50 ms, not up to a tick later.
  UniqueKernelHandle timer(CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS));
  if (!timer) timer.reset(CreateWaitableTimerA(nullptr, FALSE, nullptr));
  return timer;
}

void sendKey(int32_t virtualKey, DWORD flags) {
  INPUT record{};
  record.type = INPUT_KEYBOARD;
  record.ki.wVk = static_cast<WORD>(virtualKey);
  record.ki.wScan = static_cast<WORD>(MapVirtualKeyA(static_cast<UINT>(virtualKey), 0));
  record.ki.dwFlags = flags;
  record.ki.time = GetTickCount();
  record.ki.dwExtraInfo = 0;
  SendInput(1, &record, sizeof(INPUT));
}

}  // namespace

void pumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT) return;  // for the thread's own message loop
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
      // Posted by another thread between the two looks: put it back.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void waitPumpingByClock(int32_t milliseconds) {
  if (milliseconds <= 0) return;
  waitUntil(Deadline(milliseconds));
}

void waitPumping(int32_t milliseconds) {
  // A due time of 0 or in the past is signalled at once: nothing to wait for.
  if (milliseconds <= 0) return;
  const Deadline deadline(milliseconds);
  UniqueKernelHandle timer = createTimer();
  LARGE_INTEGER due;
  due.QuadPart = static_cast<LONGLONG>(static_cast<double>(milliseconds) * -10000.0);
  if (timer && SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE)) {
    const HANDLE handle = timer.get();
    for (;;) {
      const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, kWakeMask);
      if (result == WAIT_OBJECT_0) return;
      if (result != WAIT_OBJECT_0 + 1) break;  // the wait failed: finish by the clock
      pumpPendingMessages();
    }
  }
  // No timer, or none that can be waited on: the full time all the same.
  waitUntil(deadline);
}

void WindowsInputActions::keyDown(int32_t virtualKey, bool extended) {
  sendKey(virtualKey, extended ? KEYEVENTF_EXTENDEDKEY : 0);
  qelvo::waitPumping(50);
}

void WindowsInputActions::keyUp(int32_t virtualKey, bool extended) {
  sendKey(virtualKey, KEYEVENTF_KEYUP | (extended ? KEYEVENTF_EXTENDEDKEY : 0));
  qelvo::waitPumping(50);
}

void WindowsInputActions::tapKey(int32_t virtualKey) {
  const auto vk = static_cast<BYTE>(virtualKey);
  keybd_event(vk, 0, 0, 0);
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
}

void WindowsInputActions::clickMouse(int32_t button) {
  if (button == 1) {
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  } else if (button == 2) {
    mouse_event(MOUSEEVENTF_RIGHTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
  }
}

void WindowsInputActions::moveCursor(int32_t x, int32_t y) { SetCursorPos(x, y); }

void WindowsInputActions::waitPumping(int32_t milliseconds) { qelvo::waitPumping(milliseconds); }

int32_t WindowsInputActions::cursorX() {
  POINT p{};
  GetCursorPos(&p);
  return p.x;
}

int32_t WindowsInputActions::cursorY() {
  POINT p{};
  GetCursorPos(&p);
  return p.y;
}

}  // namespace qelvo
