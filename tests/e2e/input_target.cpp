// A window that records the injected input it receives, one line per event,
// for the end-to-end tests:
//   hook key down vk=65 scan=30 flags=0x10     (low-level hook, injected only)
//   hook mouse ldown x=120 y=140               (ldown lup rdown rup move)
//   msg keydown vk=65 | msg ldown x=.. y=..    (what reached this window)
// Usage: input_target <log file> [x y width height]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

FILE* g_log = nullptr;

void logLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(g_log, format, args);
  va_end(args);
  fputc('\n', g_log);
  fflush(g_log);
}

LRESULT CALLBACK keyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    auto* k = reinterpret_cast<KBDLLHOOKSTRUCT*>(lParam);
    if (k->flags & LLKHF_INJECTED) {
      bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
      logLine("hook key %s vk=%lu scan=%lu flags=0x%lx", down ? "down" : "up", k->vkCode, k->scanCode,
              k->flags);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK mouseHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    auto* m = reinterpret_cast<MSLLHOOKSTRUCT*>(lParam);
    if (m->flags & LLMHF_INJECTED) {
      const char* what = wParam == WM_LBUTTONDOWN ? "ldown"
                         : wParam == WM_LBUTTONUP ? "lup"
                         : wParam == WM_RBUTTONDOWN ? "rdown"
                         : wParam == WM_RBUTTONUP ? "rup"
                         : wParam == WM_MOUSEMOVE ? "move"
                                                  : "other";
      logLine("hook mouse %s x=%ld y=%ld", what, m->pt.x, m->pt.y);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto x = static_cast<short>(LOWORD(lParam));
  auto y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      logLine("msg keydown vk=%u", static_cast<unsigned>(wParam));
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      logLine("msg keyup vk=%u", static_cast<unsigned>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      logLine("msg ldown x=%d y=%d", x, y);
      return 0;
    case WM_LBUTTONUP:
      logLine("msg lup x=%d y=%d", x, y);
      return 0;
    case WM_RBUTTONDOWN:
      logLine("msg rdown x=%d y=%d", x, y);
      return 0;
    case WM_RBUTTONUP:
      logLine("msg rup x=%d y=%d", x, y);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: input_target <log file> [x y width height]\n");
    return 2;
  }
  g_log = fopen(argv[1], "wb");  // plain \n line ends for the shell
  if (!g_log) return 2;
  int x = argc > 5 ? atoi(argv[2]) : 100;
  int y = argc > 5 ? atoi(argv[3]) : 100;
  int w = argc > 5 ? atoi(argv[4]) : 400;
  int h = argc > 5 ? atoi(argv[5]) : 300;

  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW cls{};
  cls.lpfnWndProc = windowProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  cls.lpszClassName = L"QelvoInputTarget";
  RegisterClassW(&cls);
  HWND hwnd = CreateWindowExW(0, cls.lpszClassName, L"E2E input target", WS_POPUP | WS_VISIBLE,
                              x, y, w, h, nullptr, nullptr, instance, nullptr);
  HHOOK keys = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHook, instance, 0);
  HHOOK mouse = SetWindowsHookExW(WH_MOUSE_LL, mouseHook, instance, 0);
  SetForegroundWindow(hwnd);
  logLine("ready hwnd=%p", static_cast<void*>(hwnd));

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  UnhookWindowsHookEx(keys);
  UnhookWindowsHookEx(mouse);
  fclose(g_log);
  return 0;
}
