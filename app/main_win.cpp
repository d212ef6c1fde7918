// Program entry: working directory, hotkey table, main window, message loop.
#include <windows.h>

#include <string>

#include "app/main_window_win.h"
#include "hotkeys/hotkeys_win.h"
#include "platform/input_actions_win.h"
#include "platform/message_box_win.h"

namespace {

// The script folder and the skin library are resolved against the working
// directory, which is therefore the program's own folder.
void enterProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return;
  path.resize(slash == 2 && path[1] == L':' ? slash + 1 : slash);  // keep "C:\"
  SetCurrentDirectoryW(path.c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  enterProgramFolder();
  qelvo::createHotkeyRegistry();

  static qelvo::WindowsInputActions input;
  static qelvo::MainWindow window(qelvo::MainWindowServices{
      input, qelvo::systemMessages(),
      [] {
        qelvo::releaseHotkeyRegistry();
        ExitProcess(0);
      }});
  HWND hwnd = window.create(instance);
  if (!hwnd) {
    qelvo::releaseHotkeyRegistry();
    return 1;
  }
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  qelvo::releaseHotkeyRegistry();
  return static_cast<int>(msg.wParam);
}
