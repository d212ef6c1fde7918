// The program's figures under Wine, each beside a reference from the same run:
//  - start-up: process start until the main window answers a message, beside the
//    same for a bare window program;
//  - memory: peak working set after 1 and after 100000 passes of a one-line tap
//    script (run with the Run button);
//  - hotkey reaction: End injected down until the first key the run injects,
//    seen by a low-level hook here; median and p95 over 20 presses.
// Usage: app_bench <folder holding Qelvo.exe> <input_target.exe> [passes, default 100000]
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/clock_win.h"

namespace {

constexpr int kLoadButton = 1011;
constexpr int kRunButton = 1008;
constexpr int kRepeatBox = 1005;

using qelvo::test::nowMs;

void pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void pumpFor(double ms) {
  double end = nowMs() + ms;
  while (nowMs() < end) {
    pump();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

template <typename F>
bool waitUntil(F done, double timeoutMs) {
  double end = nowMs() + timeoutMs;
  while (!done()) {
    if (nowMs() > end) return false;
    pumpFor(2);
  }
  return true;
}

PROCESS_INFORMATION start(const std::wstring& exe, const std::wstring& args = L"") {
  std::wstring line = L"\"" + exe + L"\" " + args;
  std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi);
  return pi;
}

bool answers(const wchar_t* cls, HWND* out = nullptr) {
  HWND h = FindWindowW(cls, nullptr);
  DWORD_PTR r = 0;
  if (!h || !SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &r)) return false;
  if (out) *out = h;
  return true;
}

double startUp(const std::wstring& exe, const wchar_t* cls, const std::wstring& args, PROCESS_INFORMATION* pi,
               HWND* window) {
  double t0 = nowMs();
  *pi = start(exe, args);
  if (!pi->hProcess) return -1;
  if (!waitUntil([&] { return answers(cls, window); }, 60000)) return -1;
  return nowMs() - t0;
}

void stop(PROCESS_INFORMATION& pi) {
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}
double p95(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[std::min(v.size() - 1, (v.size() * 95 + 99) / 100 - 1)];
}

bool runButtonShows(HWND main) {
  return (GetWindowLongPtrW(GetDlgItem(main, kRunButton), GWL_STYLE) & WS_VISIBLE) != 0;
}

double peakWorkingSetMb(HANDLE process) {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof c;
  if (!GetProcessMemoryInfo(process, &c, sizeof c)) return -1;
  return static_cast<double>(c.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// Loads the first script of the program's script folder through its load window.
bool loadFirstScript(HWND main) {
  PostMessageW(GetDlgItem(main, kLoadButton), BM_CLICK, 0, 0);
  HWND load = nullptr;
  if (!waitUntil([&] { return (load = FindWindowW(nullptr, L"读入脚本")) != nullptr; }, 10000)) return false;
  pumpFor(200);
  HWND list = FindWindowExW(load, nullptr, L"ListBox", nullptr);
  HWND button = FindWindowExW(load, nullptr, L"Button", nullptr);
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  PostMessageW(button, BM_CLICK, 0, 0);
  return waitUntil([&] { return FindWindowW(nullptr, L"读入脚本") == nullptr; }, 10000);
}

void setRepeat(HWND main, const wchar_t* count) {
  SendMessageW(GetDlgItem(main, kRepeatBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(count));
}

// Runs with the Run button; returns the run's duration in ms.
double runWithButton(HWND main, double timeoutMs) {
  double t0 = nowMs();
  PostMessageW(GetDlgItem(main, kRunButton), BM_CLICK, 0, 0);
  waitUntil([&] { return !runButtonShows(main); }, 5000);
  if (!waitUntil([&] { return runButtonShows(main); }, timeoutMs)) return -1;
  return nowMs() - t0;
}

std::atomic<double> g_firstF1{0};

LRESULT CALLBACK keyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    auto* k = reinterpret_cast<KBDLLHOOKSTRUCT*>(lParam);
    if (k->vkCode == VK_F1 && (wParam == WM_KEYDOWN) && g_firstF1.load() == 0) g_firstF1.store(nowMs());
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void sendEnd(bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = VK_END;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(VK_END, 0));
  in.ki.dwFlags = KEYEVENTF_EXTENDEDKEY | (up ? KEYEVENTF_KEYUP : 0);
  SendInput(1, &in, sizeof in);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 3) {
    fprintf(stderr, "usage: app_bench <program folder> <input_target.exe>\n");
    return 2;
  }
  std::wstring qelvo = std::wstring(argv[1]) + L"\\Qelvo.exe";
  std::wstring target = argv[2];

  // A window of ours takes the injected keys while the runs go on.
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"AppBenchWindow";
  RegisterClassW(&cls);
  HWND own = CreateWindowExW(0, cls.lpszClassName, L"app bench", WS_POPUP | WS_VISIBLE, 700, 500, 200, 100,
                             nullptr, nullptr, cls.hInstance, nullptr);

  // Start-up, beside a bare window program (first start of Qelvo writes its
  // skin library beside it; later starts find it there).
  std::vector<double> bare, firstStart, laterStarts;
  for (int i = 0; i < 3; ++i) {
    PROCESS_INFORMATION pi{};
    HWND w = nullptr;
    bare.push_back(startUp(target, L"QelvoInputTarget", L"NUL 10 10 50 50", &pi, &w));
    stop(pi);
  }
  PROCESS_INFORMATION app{};
  HWND main = nullptr;
  for (int i = 0; i < 4; ++i) {
    double ms = startUp(qelvo, L"QelvoMainWindow", L"", &app, &main);
    (i == 0 ? firstStart : laterStarts).push_back(ms);
    if (i < 3) stop(app);
  }
  printf("| start-up (process start to main window answering) | ms |\n|---|---|\n");
  printf("| bare window program (reference), median of 3 | %.0f |\n", median(bare));
  printf("| Qelvo, first start (writes its skin library) | %.0f |\n", firstStart[0]);
  printf("| Qelvo, later starts, median of 3 | %.0f |\n\n", median(laterStarts));
  fflush(stdout);

  if (!loadFirstScript(main)) {
    fprintf(stderr, "app_bench: could not load the script\n");
    stop(app);
    return 1;
  }
  SetForegroundWindow(own);
  pumpFor(300);

  double before = peakWorkingSetMb(app.hProcess);
  setRepeat(main, L"1");
  double oneRun = runWithButton(main, 60000);
  double afterOne = peakWorkingSetMb(app.hProcess);
  // Hotkey reaction: End goes down (injected here), the poll sees it, the toggle
  // thread starts a one-pass run whose tap this process's hook sees.
  HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHook, GetModuleHandleW(nullptr), 0);
  pumpFor(300);
  std::vector<double> reaction;
  int missed = 0;
  for (int i = 0; i < 20; ++i) {
    g_firstF1.store(0);
    double t0 = nowMs();
    sendEnd(false);
    pumpFor(150);
    sendEnd(true);
    if (waitUntil([&] { return g_firstF1.load() != 0; }, 3000)) reaction.push_back(g_firstF1.load() - t0);
    else ++missed;
    waitUntil([&] { return runButtonShows(main); }, 3000);
    pumpFor(200);
  }
  UnhookWindowsHookEx(hook);
  printf("| hotkey reaction (End down to first injected key) | ms |\n|---|---|\n");
  printf("| poll period (reference) | 10 |\n");
  printf("| median over %zu presses | %.1f |\n", reaction.size(), median(reaction));
  printf("| p95 | %.1f |\n", p95(reaction));
  if (missed) printf("| presses not seen | %d |\n", missed);
  printf("\n");
  fflush(stdout);
  SetForegroundWindow(own);
  pumpFor(300);
  std::wstring passes = argc > 3 ? argv[3] : L"100000";
  setRepeat(main, passes.c_str());
  double longRun = runWithButton(main, 20 * 60000);
  double afterMany = peakWorkingSetMb(app.hProcess);
  printf("| memory (peak working set of Qelvo) | MB |\n|---|---|\n");
  printf("| idle after start-up (reference) | %.1f |\n", before);
  printf("| after 1 pass of a one-line tap script (%.0f ms) | %.1f |\n", oneRun, afterOne);
  double count = _wtof(passes.c_str());
  printf("| after %.0f passes (%.1f s, %.0f passes/s) | %.1f |\n\n", count, longRun / 1000.0,
         longRun > 0 ? count / (longRun / 1000.0) : 0.0, afterMany);
  fflush(stdout);

  stop(app);
  DestroyWindow(own);
  return 0;
}
