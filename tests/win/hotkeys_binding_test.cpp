// The registry against the real thread timer, key state and threads. Keys are
// injected with SendInput, which Wine folds into the async key state of the
// whole desktop; the real-keyboard road is covered by tests/e2e/hotkeys.sh.
#include "hotkeys/hotkeys_win.h"
#include "platform/input_actions_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <set>

namespace qelvo {
namespace {

// Keys nobody else uses: the tests' presses reach no other window's shortcuts.
constexpr WORD kKey = VK_F24;
constexpr WORD kOtherKey = VK_F23;

struct Seen {
  std::atomic<int> firings{0};
  std::atomic<DWORD> threadId{0};
  std::atomic<intptr_t> argument{0};
};
Seen seen;
Seen otherSeen;

DWORD WINAPI keyCallback(LPVOID argument) {
  seen.threadId = GetCurrentThreadId();
  seen.argument = reinterpret_cast<intptr_t>(argument);
  ++seen.firings;
  return 0;
}
DWORD WINAPI otherCallback(LPVOID argument) {
  otherSeen.threadId = GetCurrentThreadId();
  otherSeen.argument = reinterpret_cast<intptr_t>(argument);
  ++otherSeen.firings;
  return 0;
}

void sendKey(WORD key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
}

// Dispatches this thread's messages for the given time; collects the ids of the
// window-less timers that ticked.
std::set<UINT_PTR> pumpFor(DWORD milliseconds) {
  std::set<UINT_PTR> timers;
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && msg.hwnd == nullptr) timers.insert(msg.wParam);
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return timers;
}

// Pumps until the count reaches the wanted value; a loaded machine may be slow.
bool pumpUntil(const std::atomic<int>& count, int wanted) {
  for (int i = 0; i < 200 && count.load() < wanted; ++i) pumpFor(10);
  return count.load() >= wanted;
}

class HotkeyBinding : public testing::Test {
 protected:
  void SetUp() override {
    seen.firings = 0;
    otherSeen.firings = 0;
    pumpFor(20);
    createHotkeyRegistry();
  }
  void TearDown() override {
    for (WORD key : {kKey, kOtherKey, WORD{VK_CONTROL}, WORD{VK_LWIN}, WORD{VK_RWIN}}) sendKey(key, false);
    releaseHotkeyRegistry();
    pumpFor(50);
  }
  // A press held over several polls, and its release seen by a poll as well.
  void press(WORD key, DWORD holdMs = 150) {
    sendKey(key, true);
    pumpFor(holdMs);
    sendKey(key, false);
    pumpFor(60);
  }
};

TEST_F(HotkeyBinding, FiresOncePerPressOnAWorkerThreadWithItsId) {
  ASSERT_EQ(registerHotkey(otherCallback, kOtherKey), 1000001);
  ASSERT_EQ(registerHotkey(keyCallback, kKey), 1000002);
  press(kKey, 400);
  ASSERT_TRUE(pumpUntil(seen.firings, 1));
  pumpFor(50);
  EXPECT_EQ(seen.firings, 1);
  EXPECT_EQ(seen.argument, 1000002);
  EXPECT_NE(seen.threadId, GetCurrentThreadId());
  EXPECT_EQ(otherSeen.firings, 0);

  press(kKey);
  ASSERT_TRUE(pumpUntil(seen.firings, 2));
  press(kOtherKey);
  ASSERT_TRUE(pumpUntil(otherSeen.firings, 1));
  EXPECT_EQ(otherSeen.argument, 1000001);
  EXPECT_EQ(seen.firings, 2);
}

TEST_F(HotkeyBinding, CtrlHeldAtThePressFiresNothingUntilPressedAlone) {
  ASSERT_EQ(registerHotkey(keyCallback, kKey), 1000001);
  sendKey(VK_CONTROL, true);
  sendKey(kKey, true);
  pumpFor(150);
  sendKey(VK_CONTROL, false);
  pumpFor(150);  // the key stays down after Ctrl goes up
  sendKey(kKey, false);
  pumpFor(60);
  EXPECT_EQ(seen.firings, 0);
  press(kKey);
  EXPECT_TRUE(pumpUntil(seen.firings, 1));
}

TEST_F(HotkeyBinding, OnlyTheLeftWindowsKeyCounts) {
  ASSERT_EQ(registerHotkey(keyCallback, kKey), 1000001);
  sendKey(VK_LWIN, true);
  press(kKey);
  sendKey(VK_LWIN, false);
  pumpFor(60);
  EXPECT_EQ(seen.firings, 0);
  sendKey(VK_RWIN, true);
  press(kKey);
  sendKey(VK_RWIN, false);
  EXPECT_TRUE(pumpUntil(seen.firings, 1));
}

TEST_F(HotkeyBinding, OneThreadTimerForAllRegistrationsAndNoneAfterRelease) {
  EXPECT_TRUE(pumpFor(100).empty());  // created empty: nothing polls yet
  ASSERT_EQ(registerHotkey(keyCallback, kKey), 1000001);
  ASSERT_EQ(registerHotkey(otherCallback, kOtherKey), 1000002);
  ASSERT_EQ(registerHotkey(keyCallback, kKey), 1000001);
  ASSERT_EQ(registerHotkey(otherCallback, kKey), 0);
  EXPECT_EQ(pumpFor(200).size(), 1u);
  releaseHotkeyRegistry();
  pumpFor(30);  // a tick already queued may still arrive
  EXPECT_TRUE(pumpFor(100).empty());

  createHotkeyRegistry();  // a fresh table starts from the first id again
  ASSERT_EQ(registerHotkey(otherCallback, kOtherKey), 1000001);
  press(kOtherKey);
  EXPECT_TRUE(pumpUntil(otherSeen.firings, 1));
}

TEST_F(HotkeyBinding, PollsOnlyWhileTheThreadDispatchesMessages) {
  ASSERT_EQ(registerHotkey(keyCallback, kKey), 1000001);
  pumpFor(30);
  sendKey(kKey, true);
  Sleep(200);  // not dispatching: no poll can see the key
  EXPECT_EQ(seen.firings, 0);
  EXPECT_TRUE(pumpUntil(seen.firings, 1));
}

// The lowest free handle slot is handed out next, so a fresh handle's value
// shows how many handles are still open (Wine's handle count is always 0).
uintptr_t nextHandleValue() {
  HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(probe);
  return reinterpret_cast<uintptr_t>(probe);
}

TEST_F(HotkeyBinding, PollsWhileTheThreadSitsInAPumpingWait) {
  ASSERT_EQ(registerHotkey(keyCallback, kKey), 1000001);
  // Only the engine's wait dispatches messages here: two presses, two firings.
  for (int press = 0; press < 2; ++press) {
    sendKey(kKey, true);
    waitPumping(200);
    sendKey(kKey, false);
    waitPumping(60);
  }
  for (int i = 0; i < 200 && seen.firings < 2; ++i) Sleep(10);  // a new thread may start late
  EXPECT_EQ(seen.firings, 2);
  EXPECT_NE(seen.threadId, GetCurrentThreadId());
}

TEST_F(HotkeyBinding, FiringLeavesNoHandleBehind) {
  ASSERT_EQ(registerHotkey(keyCallback, kKey), 1000001);
  press(kKey);
  ASSERT_TRUE(pumpUntil(seen.firings, 1));
  pumpFor(50);
  const uintptr_t before = nextHandleValue();
  for (int i = 2; i <= 11; ++i) {
    press(kKey, 60);
    ASSERT_TRUE(pumpUntil(seen.firings, i));
  }
  pumpFor(100);  // let the last threads end
  EXPECT_LT(nextHandleValue(), before + 5 * 4);  // handles go in steps of 4: ten kept ones would show
}

}  // namespace
}  // namespace qelvo
