#include "hotkeys/hotkeys_win.h"

#include <memory>
#include <new>

#include "hotkeys/hotkey_registry.h"
#include "platform/unique_handle_win.h"

namespace qelvo {
namespace {

constexpr UINT_PTR kPollTimerId = 6665;
constexpr UINT kPollPeriodMs = 10;

VOID CALLBACK pollTimerProc(HWND, UINT, UINT_PTR, DWORD) noexcept;

class WindowsHotkeyPlatform final : public HotkeyPlatform {
 public:
  int16_t asyncKeyState(int32_t virtualKey) override { return static_cast<int16_t>(GetAsyncKeyState(virtualKey)); }

  void startThread(HotkeyCallback callback, int32_t id) override {
    DWORD threadId = 0;
    // Nobody waits for the thread: its handle is closed at once.
    UniqueKernelHandle thread(CreateThread(nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(callback),
                                           reinterpret_cast<LPVOID>(static_cast<intptr_t>(id)), 0, &threadId));
  }

  void startPollTimer() override {
    // A thread timer of the registering (UI) thread: with no window the id is
    // only a request, the system picks the real one, kept to stop it at release.
    timer_ = SetTimer(nullptr, kPollTimerId, kPollPeriodMs, pollTimerProc);
  }

  void stopPollTimer() noexcept {
    if (timer_ != 0) KillTimer(nullptr, timer_);
    timer_ = 0;
  }

 private:
  UINT_PTR timer_ = 0;
};

WindowsHotkeyPlatform platform;
// Touched by the UI thread only: registrations, the poll and the release. Freed at
// process exit too, should the program end without releasing it.
std::unique_ptr<HotkeyRegistry> registry;

VOID CALLBACK pollTimerProc(HWND, UINT, UINT_PTR, DWORD) noexcept {
  if (registry != nullptr) registry->pollHotkeys();
}

}  // namespace

void createHotkeyRegistry() {
  releaseHotkeyRegistry();
  registry.reset(new (std::nothrow) HotkeyRegistry(platform));
}

void releaseHotkeyRegistry() {
  platform.stopPollTimer();
  registry.reset();
}

int32_t registerHotkey(LPTHREAD_START_ROUTINE callback, int32_t keyCode, int32_t modifiers, int32_t secondKey) {
  if (registry == nullptr) return 0;
  try {
    return registry->registerHotkey(reinterpret_cast<HotkeyCallback>(callback), keyCode, modifiers, secondKey);
  } catch (const std::bad_alloc&) {
    return 0;  // out of memory: the key stays unregistered, like a taken one
  }
}

}  // namespace qelvo
