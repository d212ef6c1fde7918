#include "tests/support/clock_win.h"
#include "platform/input_actions_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/timed_wait_win.h"
#include "platform/unique_handle_win.h"
#include "script/runner.h"

namespace qelvo {
namespace {

using qelvo::test::nowMs;

double threadCpuMs() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ms = [](FILETIME t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

// Both roads of the wait: the waitable timer, and the clock it falls back to.
const struct {
  const char* name;
  void (*wait)(int32_t);
} kWaits[] = {{"timer", &waitPumping}, {"clock", &waitPumpingByClock}};

std::vector<double> g_ticks;
void CALLBACK recordTick(HWND, UINT, UINT_PTR, DWORD) { g_ticks.push_back(nowMs()); }

TEST(WaitPumping, ThreadTimerKeepsTickingThroughALongWait) {
  for (const auto& w : kWaits) {
    g_ticks.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, recordTick);
    ASSERT_NE(timer, 0u);
    const double start = nowMs();
    w.wait(1000);
    const double end = nowMs();
    KillTimer(nullptr, timer);
    EXPECT_GE(end - start, 1000.0) << w.name;
    // Every 10 ms under Wine, every 15.6 ms on Windows; a busy machine may skip some.
    EXPECT_GE(g_ticks.size(), 20u) << w.name;
    double gap = 0;
    double last = start;
    for (double t : g_ticks) {
      gap = std::max(gap, t - last);
      last = t;
    }
    gap = std::max(gap, end - last);
    EXPECT_LT(gap, 400.0) << w.name << ": the wait stopped dispatching for a while";
  }
}

TEST(WaitPumping, ZeroAndNegativeReturnAtOnce) {
  for (const auto& w : kWaits) {
    for (int32_t ms : {0, -5, INT32_MIN}) {
      const double start = nowMs();
      w.wait(ms);
      EXPECT_LT(nowMs() - start, 100.0) << w.name << " " << ms;
    }
  }
}

TEST(WaitPumping, ShortWaitsAreNeverEarly) {
  for (const auto& w : kWaits) {
    for (int32_t ms : {1, 7, 50}) {
      const double start = nowMs();
      w.wait(ms);
      EXPECT_GE(nowMs() - start, ms) << w.name << " " << ms;
    }
  }
}

void CALLBACK quitOnFirstTick(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostQuitMessage(7);
}

TEST(WaitPumping, QuitPostedDuringTheWaitStaysQueuedWithoutSpinning) {
  // From the thread's own timer, and from another thread.
  for (const auto& w : kWaits) {
    for (bool fromOtherThread : {false, true}) {
      const DWORD self = GetCurrentThreadId();
      std::thread poster;
      if (fromOtherThread) {
        poster = std::thread([self] {
          Sleep(50);
          PostThreadMessageW(self, WM_QUIT, 7, 0);
        });
      } else {
        SetTimer(nullptr, 0, 10, quitOnFirstTick);
      }
      const double cpuBefore = threadCpuMs();
      const double start = nowMs();
      w.wait(500);
      const double took = nowMs() - start;
      const double cpu = threadCpuMs() - cpuBefore;
      if (poster.joinable()) poster.join();
      EXPECT_GE(took, 500.0) << w.name << " " << fromOtherThread;
      // A waiting thread uses next to no processor; one that spins gets its share
      // of a core even on a busy machine.
      EXPECT_LT(cpu, took / 10) << w.name << " " << fromOtherThread << ": spun on the quit message";
      MSG msg;
      ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << w.name << " " << fromOtherThread;
      EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT)) << w.name;
      EXPECT_EQ(msg.wParam, 7u) << w.name;
    }
  }
}

// A window that notes when its messages arrive.
struct Seen {
  UINT message;
  double at;
};
std::vector<Seen> g_seen;
LRESULT CALLBACK noteMessages(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP || message == WM_APP + 1 || message == WM_CHAR) g_seen.push_back({message, nowMs()});
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(WaitPumping, PostedAndSentMessagesAreTranslatedAndDispatchedDuringTheWait) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = noteMessages;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QelvoWaitProbe";
  RegisterClassW(&wc);
  UniqueWindow window(CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                      nullptr, wc.hInstance, nullptr));
  ASSERT_TRUE(window);
  const HWND hwnd = window.get();
  for (const auto& w : kWaits) {
    g_seen.clear();
    std::thread sender([hwnd] {
      Sleep(100);
      SendMessageW(hwnd, WM_APP, 0, 0);
      PostMessageW(hwnd, WM_APP + 1, 0, 0);
      PostMessageW(hwnd, WM_KEYDOWN, 'A', 1 | (0x1E << 16));
    });
    const double start = nowMs();
    w.wait(600);
    const double end = nowMs();
    sender.join();
    std::vector<UINT> order;
    for (const Seen& s : g_seen) {
      order.push_back(s.message);
      EXPECT_LT(s.at, end) << w.name;
      EXPECT_GT(s.at, start) << w.name;
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_APP, WM_APP + 1, WM_CHAR})) << w.name;
  }
}

// What a low-level hook on its own thread sees of the injected input.
struct Event {
  WPARAM message;
  DWORD code;  // virtual key; 0 for the mouse
  DWORD scan;
  DWORD flags;
  DWORD time;
  POINT pt;
};

class InputRecorder {
 public:
  InputRecorder() {
    thread_ = std::thread([this] { run(); });
    while (!ready_.load()) Sleep(5);
  }
  ~InputRecorder() {
    PostThreadMessageW(threadId_.load(), WM_QUIT, 0, 0);
    thread_.join();
  }
  bool installed() const { return installed_; }

  // Waits (pumping) until n events are in, or 3 s; returns and clears them.
  std::vector<Event> take(size_t n) {
    const double until = nowMs() + 3000;
    while (count() < n && nowMs() < until) waitPumping(5);
    waitPumping(100);  // anything beyond n arrives too
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(events_, {});
  }

 private:
  static LRESULT CALLBACK keyboard(int code, WPARAM wParam, LPARAM lParam) {
    const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    if (code == HC_ACTION && (k->flags & LLKHF_INJECTED)) add({wParam, k->vkCode, k->scanCode, k->flags, k->time, {}});
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static LRESULT CALLBACK mouse(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    if (code == HC_ACTION && (m->flags & LLMHF_INJECTED)) add({wParam, 0, 0, m->flags, m->time, m->pt});
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static void add(const Event& e) {
    std::lock_guard<std::mutex> lock(current_->mutex_);
    current_->events_.push_back(e);
  }
  size_t count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_.size();
  }
  void run() {
    current_ = this;
    threadId_ = GetCurrentThreadId();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here
    const HINSTANCE self = GetModuleHandleW(nullptr);
    UniqueHook keys(SetWindowsHookExW(WH_KEYBOARD_LL, keyboard, self, 0));
    UniqueHook mice(SetWindowsHookExW(WH_MOUSE_LL, mouse, self, 0));
    installed_ = keys && mice;
    ready_ = true;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }

  static inline InputRecorder* current_ = nullptr;
  std::thread thread_;
  std::atomic<DWORD> threadId_{0};
  std::atomic<bool> ready_{false};
  bool installed_ = false;
  std::mutex mutex_;
  std::vector<Event> events_;
};

TEST(InjectedInput, KeyDownAndKeyUpSendTheExactRecord) {
  InputRecorder recorder;
  ASSERT_TRUE(recorder.installed());
  WindowsInputActions input;
  const auto scanA = MapVirtualKeyA('A', 0);
  const auto scanUp = MapVirtualKeyA(VK_UP, 0);
  const struct {
    const char* what;
    void (*act)(WindowsInputActions&);
    WPARAM message;
    DWORD code, scan, flags;
  } cases[] = {
      {"keyDown A", [](WindowsInputActions& i) { i.keyDown('A'); }, WM_KEYDOWN, 'A', scanA, LLKHF_INJECTED},
      {"keyUp A", [](WindowsInputActions& i) { i.keyUp('A'); }, WM_KEYUP, 'A', scanA, LLKHF_UP | LLKHF_INJECTED},
      {"keyDown up ext", [](WindowsInputActions& i) { i.keyDown(VK_UP, true); }, WM_KEYDOWN, VK_UP, scanUp,
       LLKHF_EXTENDED | LLKHF_INJECTED},
      {"keyUp up", [](WindowsInputActions& i) { i.keyUp(VK_UP); }, WM_KEYUP, VK_UP, scanUp,
       LLKHF_UP | LLKHF_INJECTED},
  };
  for (const auto& c : cases) {
    const DWORD before = GetTickCount();
    const double start = nowMs();
    c.act(input);
    EXPECT_GE(nowMs() - start, 50.0) << c.what << ": the 50 ms wait belongs to the call";
    const DWORD after = GetTickCount();
    const auto events = recorder.take(1);
    ASSERT_EQ(events.size(), 1u) << c.what;
    const Event& e = events[0];
    EXPECT_EQ(e.message, c.message) << c.what;
    EXPECT_EQ(e.code, c.code) << c.what;
    EXPECT_EQ(e.scan, c.scan) << c.what;
    EXPECT_EQ(e.flags, c.flags) << c.what;
    EXPECT_GE(e.time, before) << c.what;
    EXPECT_LE(e.time, after) << c.what;
  }
}

TEST(InjectedInput, TapSendsDownAndUpWithoutScanCodeOrExtendedFlag) {
  InputRecorder recorder;
  ASSERT_TRUE(recorder.installed());
  WindowsInputActions input;
  for (int32_t vk : {VK_UP, int{'A'}, VK_F1}) {
    const double start = nowMs();
    input.tapKey(vk);
    EXPECT_LT(nowMs() - start, 50.0) << vk << ": a tap does not wait";
    const auto events = recorder.take(2);
    ASSERT_EQ(events.size(), 2u) << vk;
    EXPECT_EQ(events[0].message, static_cast<WPARAM>(WM_KEYDOWN)) << vk;
    EXPECT_EQ(events[1].message, static_cast<WPARAM>(WM_KEYUP)) << vk;
    EXPECT_EQ(events[0].flags, static_cast<DWORD>(LLKHF_INJECTED)) << vk;
    EXPECT_EQ(events[1].flags, static_cast<DWORD>(LLKHF_UP | LLKHF_INJECTED)) << vk;
    for (const Event& e : events) {
      EXPECT_EQ(e.code, static_cast<DWORD>(vk));
      EXPECT_EQ(e.scan, 0u) << vk;
    }
  }
}

TEST(InjectedInput, ClickIsDownAndUpWhereThePointerIs) {
  InputRecorder recorder;
  ASSERT_TRUE(recorder.installed());
  WindowsInputActions input;
  input.moveCursor(300, 200);
  recorder.take(0);
  const struct {
    int32_t button;
    WPARAM down, up;
  } cases[] = {{1, WM_LBUTTONDOWN, WM_LBUTTONUP}, {2, WM_RBUTTONDOWN, WM_RBUTTONUP}};
  for (const auto& c : cases) {
    input.clickMouse(c.button);
    const auto events = recorder.take(2);
    ASSERT_EQ(events.size(), 2u) << c.button << ": a move or another event came with the click";
    EXPECT_EQ(events[0].message, c.down) << c.button;
    EXPECT_EQ(events[1].message, c.up) << c.button;
    for (const Event& e : events) {
      EXPECT_EQ(e.flags, static_cast<DWORD>(LLMHF_INJECTED)) << c.button;
      EXPECT_EQ(e.pt.x, 300) << c.button;
      EXPECT_EQ(e.pt.y, 200) << c.button;
    }
    EXPECT_EQ(input.cursorX(), 300);
    EXPECT_EQ(input.cursorY(), 200);
  }
}

// The runner's view of a window that holds nothing but its rows.
struct Rows final : RunnerView {
  std::vector<std::string> rows;
  int rowCount() override { return static_cast<int>(rows.size()); }
  std::string rowText(int row) override { return row < rowCount() ? rows[static_cast<size_t>(row)] : ""; }
  std::string repeatText() override { return "1"; }
  bool runButtonVisible() override { return true; }
  void setVisible(RunControl, bool) override {}
  void setEnabled(RunControl, bool) override {}
};
struct NoMessages final : MessageSink {
  void show(std::string_view) override {}
};

ScriptRunner* g_exiting = nullptr;
void CALLBACK releaseOnFirstTick(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_exiting->releaseHeldKey();
}

TEST(RunnerWithRealInput, ExitDuringAHoldReleasesTheKeyAtOnce) {
  InputRecorder recorder;
  ASSERT_TRUE(recorder.installed());
  Rows view;
  view.rows = {"按住上光标键1秒", "按键盘空格键一次", "单机鼠标右键一次"};
  WindowsInputActions input;
  NoMessages messages;
  ScriptRunner runner(view, input, messages);
  // As the window's close handler would, dispatched inside the hold's wait.
  g_exiting = &runner;
  SetTimer(nullptr, 0, 200, releaseOnFirstTick);
  const double start = nowMs();
  runner.startRun();
  EXPECT_GE(nowMs() - start, 1100.0);
  const auto events = recorder.take(7);
  ASSERT_EQ(events.size(), 7u);
  const struct {
    WPARAM message;
    DWORD code;
    DWORD flags;
  } expected[] = {
      {WM_KEYDOWN, VK_UP, LLKHF_EXTENDED | LLKHF_INJECTED},
      {WM_KEYUP, VK_UP, LLKHF_UP | LLKHF_INJECTED},  // the release, during the hold
      {WM_KEYUP, VK_UP, LLKHF_UP | LLKHF_INJECTED},  // the hold's own key-up
      {WM_KEYDOWN, VK_SPACE, LLKHF_INJECTED},
      {WM_KEYUP, VK_SPACE, LLKHF_UP | LLKHF_INJECTED},
      {WM_RBUTTONDOWN, 0, LLMHF_INJECTED},
      {WM_RBUTTONUP, 0, LLMHF_INJECTED},
  };
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(events[i].message, expected[i].message) << i;
    EXPECT_EQ(events[i].code, expected[i].code) << i;
    EXPECT_EQ(events[i].flags, expected[i].flags) << i;
  }
  // The release came long before the hold would have ended by itself.
  EXPECT_LT(events[1].time - events[0].time, 800u);
  EXPECT_GE(events[2].time - events[0].time, 1000u);
}

TEST(Pointer, MoveThenReadBack) {
  WindowsInputActions input;
  const int right = GetSystemMetrics(SM_CXSCREEN) - 1;
  const int bottom = GetSystemMetrics(SM_CYSCREEN) - 1;
  const POINT places[] = {{0, 0}, {123, 456}, {right, bottom}, {640, 1}};
  for (const POINT& p : places) {
    input.moveCursor(p.x, p.y);
    EXPECT_EQ(input.cursorX(), p.x) << p.x << "," << p.y;
    EXPECT_EQ(input.cursorY(), p.y) << p.x << "," << p.y;
  }
}

}  // namespace
}  // namespace qelvo
