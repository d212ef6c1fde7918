// The engine's figures under Wine: how exactly the pumping wait keeps time, beside
// Sleep; and how fast the runner turns tap lines into injected input, beside a bare
// SendInput loop of the same events. Prints markdown tables.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/clock_win.h"
#include "platform/gbk_text_win.h"
#include "platform/input_actions_win.h"
#include "platform/timed_wait_win.h"
#include "script/runner.h"

namespace {

using namespace qelvo;

using qelvo::test::nowMs;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Errors {
  double median;
  double worst;  // the error farthest from 0, with its sign
};

template <typename Wait>
Errors measure(Wait wait, int ms, int samples) {
  std::vector<double> errors;
  for (int i = 0; i < samples; ++i) {
    const double start = nowMs();
    wait(ms);
    errors.push_back(nowMs() - start - ms);
  }
  double worst = 0;
  for (double e : errors)
    if (std::fabs(e) > std::fabs(worst)) worst = e;
  return {median(errors), worst};
}

void waitAccuracy() {
  HANDLE probe = CreateWaitableTimerExW(nullptr, nullptr, 0x00000002, TIMER_ALL_ACCESS);
  std::printf("Wait accuracy: error of the time waited, in ms (positive: late). Waitable timer: %s.\n\n",
              probe ? "high-resolution" : "plain (no high-resolution timer here)");
  if (probe) CloseHandle(probe);
  std::printf("| request | samples | waitPumping median | waitPumping worst | Sleep median | Sleep worst "
              "| clock fallback median | clock fallback worst |\n");
  std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  const struct {
    int ms;
    int samples;
  } requests[] = {{1, 200}, {10, 100}, {50, 40}, {100, 20}, {1000, 6}};
  for (const auto& r : requests) {
    const Errors pumped = measure([](int ms) { waitPumping(ms); }, r.ms, r.samples);
    const Errors slept = measure([](int ms) { Sleep(static_cast<DWORD>(ms)); }, r.ms, r.samples);
    const Errors clock = measure([](int ms) { waitPumpingByClock(ms); }, r.ms, r.samples);
    std::printf("| %d ms | %d | %+.2f | %+.2f | %+.2f | %+.2f | %+.2f | %+.2f |\n", r.ms, r.samples,
                pumped.median, pumped.worst, slept.median, slept.worst, clock.median, clock.worst);
  }
  std::printf("\n");
}

// The focused window that the injected keys land in; it counts them.
int g_keyMessages = 0;
LRESULT CALLBACK sinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP) ++g_keyMessages;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The runner's view of a real list view; the rest of the window is not there.
class ListRows final : public RunnerView {
 public:
  explicit ListRows(HWND list) : list_(list) {}
  int rowCount() override { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }
  std::string rowText(int row) override {
    wchar_t buffer[260] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = buffer;
    item.cchTextMax = 260;
    SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return narrow(buffer);
  }
  std::string repeatText() override { return "1"; }
  bool runButtonVisible() override { return true; }
  void setVisible(RunControl, bool) override {}
  void setEnabled(RunControl, bool) override {}

 private:
  HWND list_;
};

class MemoryRows final : public RunnerView {
 public:
  explicit MemoryRows(std::vector<std::string> rows) : rows_(std::move(rows)) {}
  int rowCount() override { return static_cast<int>(rows_.size()); }
  std::string rowText(int row) override {
    return row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)] : std::string();
  }
  std::string repeatText() override { return "1"; }
  bool runButtonVisible() override { return true; }
  void setVisible(RunControl, bool) override {}
  void setEnabled(RunControl, bool) override {}

 private:
  std::vector<std::string> rows_;
};

struct NoMessages final : MessageSink {
  void show(std::string_view) override {}
};

// Lets the queued key messages reach the sink; returns how many did.
int drain(int expected) {
  const double until = nowMs() + 5000;
  while (g_keyMessages < expected && nowMs() < until) waitPumping(10);
  waitPumping(20);
  return std::exchange(g_keyMessages, 0);
}

void bareSendInput(int taps) {
  INPUT records[2] = {};
  for (INPUT& r : records) {
    r.type = INPUT_KEYBOARD;
    r.ki.wVk = 'A';
  }
  records[1].ki.dwFlags = KEYEVENTF_KEYUP;
  for (int i = 0; i < taps; ++i) {
    SendInput(1, &records[0], sizeof(INPUT));
    SendInput(1, &records[1], sizeof(INPUT));
  }
}

void runThroughput() {
  constexpr int kLines = 1000;
  constexpr int kTrials = 5;
  const std::string line = "按键盘A键一次";

  HMODULE common = LoadLibraryW(L"comctl32.dll");
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(common, "InitCommonControlsEx")))) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    init(&icc);
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = sinkProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QelvoBenchSink";
  RegisterClassW(&wc);
  HWND sink = CreateWindowExW(0, wc.lpszClassName, L"sink", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400,
                              400, nullptr, nullptr, wc.hInstance, nullptr);
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 380, 300, sink,
                              nullptr, wc.hInstance, nullptr);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 300;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  std::wstring wide = widen(line);
  for (int i = 0; i < kLines; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = wide.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  SetForegroundWindow(sink);
  SetFocus(sink);
  waitPumping(300);
  g_keyMessages = 0;

  ListRows listRows(list);
  MemoryRows memoryRows(std::vector<std::string>(kLines, line));
  WindowsInputActions input;
  NoMessages messages;
  ScriptRunner listRunner(listRows, input, messages);
  ScriptRunner memoryRunner(memoryRows, input, messages);

  struct Way {
    const char* name;
    std::vector<double> rates;
    int delivered = kLines * 2;
  } ways[] = {{"runner, list view rows, keybd_event", {}}, {"runner, rows in memory, keybd_event", {}},
              {"bare SendInput loop, same events", {}}};
  for (int t = 0; t < kTrials; ++t) {
    for (int w = 0; w < 3; ++w) {
      const double start = nowMs();
      if (w == 0) listRunner.startRun();
      if (w == 1) memoryRunner.startRun();
      if (w == 2) bareSendInput(kLines);
      const double took = nowMs() - start;
      ways[w].rates.push_back(kLines * 1000.0 / took);
      ways[w].delivered = std::min(ways[w].delivered, drain(kLines * 2));
    }
  }
  std::printf("Run throughput: a %d-line tap script, %d trials; focus on the sink: %s.\n\n", kLines, kTrials,
              GetFocus() == sink ? "yes" : "no");
  std::printf("| way | lines/s median | lines/s worst | key messages delivered (of %d, fewest) |\n", kLines * 2);
  std::printf("|---|---:|---:|---:|\n");
  for (const Way& w : ways) {
    std::printf("| %s | %.0f | %.0f | %d |\n", w.name, median(w.rates), *std::min_element(w.rates.begin(), w.rates.end()),
                w.delivered);
  }
  std::printf("\n");
  DestroyWindow(sink);
}

}  // namespace

int main() {
  waitAccuracy();
  runThroughput();
  return 0;
}
