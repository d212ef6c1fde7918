// A window that registers Home and End through the real registry, the way the
// main window does, and reports on stdout:
//   registered home=<id> end=<id>
//   ready ui=<thread id>
//   fired <home|end> arg=<argument> thread=<thread id> ui=<ui thread id>
//   key <virtual-key code>          (the focused window still gets the key)
//   wait begin / wait end           (--wait: the UI thread sits in waitPumping)
//   exit ticks=<poll timer ticks the UI thread dispatched>
// Options: --no-poll (registers nothing), --wait (the UI thread waits in waitPumping
// instead of running a message loop), --lifetime <ms> (default 30000). Escape ends it.
#include <fcntl.h>
#include <io.h>
#include <windows.h>


#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hotkeys/hotkeys_win.h"
#include "platform/input_actions_win.h"

namespace {

DWORD uiThread = 0;
long pollTicks = 0;
bool quitting = false;
constexpr UINT_PTR kLifetimeTimer = 1;

void say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

DWORD WINAPI onHome(LPVOID argument) {
  say("fired home arg=%lld thread=%lu ui=%lu\n", static_cast<long long>(reinterpret_cast<intptr_t>(argument)),
      GetCurrentThreadId(), uiThread);
  return 0;
}

DWORD WINAPI onEnd(LPVOID argument) {
  say("fired end arg=%lld thread=%lu ui=%lu\n", static_cast<long long>(reinterpret_cast<intptr_t>(argument)),
      GetCurrentThreadId(), uiThread);
  return 0;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      say("key %u\n", static_cast<unsigned>(wParam));
      if (wParam == VK_ESCAPE) DestroyWindow(window);
      return 0;
    case WM_TIMER:
      if (wParam == kLifetimeTimer) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      quitting = true;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void dispatch(const MSG& msg) {
  if (msg.message == WM_TIMER && msg.hwnd == nullptr) ++pollTicks;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace

int main(int argc, char** argv) {
  bool poll = true, waitMode = false;
  UINT lifetime = 30000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-poll") == 0) poll = false;
    if (std::strcmp(argv[i], "--wait") == 0) waitMode = true;
    if (std::strcmp(argv[i], "--lifetime") == 0 && i + 1 < argc) lifetime = static_cast<UINT>(std::atoi(argv[++i]));
  }
  _setmode(_fileno(stdout), _O_BINARY);  // plain \n lines for the scripts that read them
  uiThread = GetCurrentThreadId();

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"QelvoHotkeyProbe";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"hotkey probe", WS_OVERLAPPEDWINDOW, 100, 100, 320,
                                200, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 2;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetTimer(window, kLifetimeTimer, lifetime, nullptr);

  qelvo::createHotkeyRegistry();
  if (poll) {
    const int32_t home = qelvo::registerHotkey(onHome, VK_HOME);
    const int32_t end = qelvo::registerHotkey(onEnd, VK_END);
    say("registered home=%d end=%d\n", home, end);
  }
  say("ready ui=%lu\n", uiThread);

  if (waitMode) {
    // Every message, the poll's ticks included, is dispatched inside the engine's wait.
    say("wait begin\n");
    const ULONGLONG end = GetTickCount64() + lifetime;
    while (!quitting && GetTickCount64() < end) qelvo::waitPumping(100);
    say("wait end\n");
  } else {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch(msg);
  }
  qelvo::releaseHotkeyRegistry();
  say("exit ticks=%ld\n", pollTicks);
  return 0;
}
