// The real main window in this process, driven through its messages, with the
// input and the message boxes recorded instead of performed.
#include "app/main_window_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/gbk_text_win.h"

namespace qelvo {
namespace {

class FakeInput final : public InputActions {
 public:
  void keyDown(int32_t vk, bool) override { record("down " + std::to_string(vk)); }
  void keyUp(int32_t vk, bool) override { record("up " + std::to_string(vk)); }
  void tapKey(int32_t vk) override { record("tap " + std::to_string(vk)); }
  void clickMouse(int32_t button) override { record("click " + std::to_string(button)); }
  void moveCursor(int32_t x, int32_t y) override { record("move " + std::to_string(x) + "," + std::to_string(y)); }
  void waitPumping(int32_t ms) override {
    record("wait " + std::to_string(ms));
    if (onWait) onWait();
  }
  int32_t cursorX() override { return cursor.x; }
  int32_t cursorY() override { return cursor.y; }

  std::vector<std::string> events() {
    std::lock_guard<std::mutex> lock(mutex);
    return log;
  }

  POINT cursor{0, 0};
  std::function<void()> onWait;

 private:
  void record(std::string e) {
    std::lock_guard<std::mutex> lock(mutex);
    log.push_back(std::move(e));
  }
  std::mutex mutex;
  std::vector<std::string> log;
};

class Messages final : public MessageSink {
 public:
  void show(std::string_view text) override {
    std::lock_guard<std::mutex> lock(mutex);
    shown.emplace_back(text);
  }
  std::vector<std::string> all() {
    std::lock_guard<std::mutex> lock(mutex);
    return shown;
  }

 private:
  std::mutex mutex;
  std::vector<std::string> shown;
};

struct NotifyCall {
  DWORD message;
  DWORD size;
  HWND owner;
  UINT id;
  UINT flags;
  UINT callback;
  bool hasIcon;
  std::wstring tip;
};
std::vector<NotifyCall> g_notifyCalls;

BOOL WINAPI recordNotify(DWORD message, PNOTIFYICONDATAW data) {
  g_notifyCalls.push_back({message, data->cbSize, data->hWnd, data->uID, data->uFlags, data->uCallbackMessage,
                           data->hIcon != nullptr, data->szTip});
  return TRUE;
}

// Runs `work` on another thread while this (the window's) thread keeps
// handling the messages that thread sends to the controls.
void onWorkerThread(const std::function<void()>& work) {
  auto entry = [](LPVOID p) -> DWORD {
    (*static_cast<const std::function<void()>*>(p))();
    return 0;
  };
  HANDLE h = CreateThread(nullptr, 0, entry, const_cast<std::function<void()>*>(&work), 0, nullptr);
  ASSERT_NE(h, nullptr);
  while (MsgWaitForMultipleObjects(1, &h, FALSE, 10000, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  CloseHandle(h);
}

void pumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(5);
  }
}

class MainWindowTest : public ::testing::Test {
 public:
  void SetUp() override {
    g_notifyCalls.clear();
    window = std::make_unique<MainWindow>(
        MainWindowServices{input, messages, [this] { ++ended; }, false, recordNotify});
    ASSERT_NE(window->create(GetModuleHandleW(nullptr)), nullptr);
    ShowWindow(window->hwnd(), SW_SHOW);
  }

  HWND control(Control c) { return window->control(c); }
  std::string text(Control c) {
    wchar_t buffer[1024];
    GetWindowTextW(control(c), buffer, 1024);
    return narrow(buffer);
  }
  void setText(Control c, std::string_view gbk) { SetWindowTextW(control(c), widen(gbk).c_str()); }
  void click(Control c) {
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(c), BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(c)));
  }
  void command(int id) { SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  bool visible(Control c) { return (GetWindowLongPtrW(control(c), GWL_STYLE) & WS_VISIBLE) != 0; }
  void chooseItem(Control box, std::string_view gbk) {
    SendMessageW(control(box), CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(widen(gbk).c_str()));
  }
  void selectRow(int row) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(control(Control::ListView1), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&state));
  }
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    const ScriptList& list = *window;
    for (int i = 0; i < list.rowCount(); ++i) out.push_back(list.rowText(i));
    return out;
  }
  void fill(const std::vector<std::string>& lines) {
    for (const auto& line : lines) window->insertRow(static_cast<const ScriptList&>(*window).rowCount(), line);
  }

  FakeInput input;
  Messages messages;
  int ended = 0;
  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, WindowIsCentredFixedAndTitled) {
  HWND w = window->hwnd();
  wchar_t title[256];
  GetWindowTextW(w, title, 256);
  EXPECT_EQ(narrow(title), "Qelvo—自动点击鼠标键盘，解放您的双手");
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, 670);
  EXPECT_EQ(r.bottom - r.top, 384);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 670) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 384) / 2);
  LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(GetMenu(w), nullptr);
  EXPECT_NE(SendMessageW(w, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(w, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(MainWindowTest, StartsWithTheDesignTextsInTheIdleState) {
  struct Case {
    Control control;
    std::string_view text;
  };
  const Case cases[] = {
      {Control::ComboBox1, "F1"},           {Control::ComboBox2, "左键"},
      {Control::Edit1, "1000"},             {Control::Edit2, "坐标编辑框"},
      {Control::Edit3, "999999"},           {Control::ComboBox3, "F1"},
      {Control::Edit4, "1"},                {Control::Button8, "最小化到托盘"},
      {Control::Button7, "停止脚本"},       {Control::Button6, "运行脚本"},
      {Control::TransparentLabel6, "运行               次"},
      {Control::TransparentLabel4, "鼠标移动到                       坐标"},
      {Control::TransparentLabel5,
       "提示：如果您不知道鼠标想要点击的位置坐标，可以按一下方法操作。\r\n      1.将鼠标移动到欲点击的位置上。\r\n"
       "      2.按下键盘上的HOME键。\r\n执行完以上两步就已经取到坐标了,坐标值在坐标编辑框里。直接插入\r\n脚本就可以使用。"},
      {Control::HypertextBox1, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(text(c.control), c.text) << controlSpec(c.control).name.data();
  EXPECT_TRUE(rows().empty());
  for (const ControlSpec& c : kMainWindowControls) {
    EXPECT_NE(control(c.id), nullptr);
    EXPECT_EQ(visible(c.id), c.id != Control::Button7) << c.name.data();
    EXPECT_TRUE(IsWindowEnabled(control(c.id)));
  }
}

TEST_F(MainWindowTest, GroupBoxControlsSitAtTheGroupOriginPlusTheirOffset) {
  struct Case {
    Control control;
    int x, y;
  };
  // 分组框1 is at 9, 6 in the window.
  const Case cases[] = {{Control::GroupBox1, 9, 6},   {Control::Edit3, 447, 282},
                        {Control::Edit2, 96, 139},    {Control::Button1, 284, 36},
                        {Control::Button11, -79, 171}, {Control::Label2, -340, 172}};
  for (const Case& c : cases) {
    RECT r;
    GetWindowRect(control(c.control), &r);
    MapWindowPoints(nullptr, window->hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, c.x) << controlSpec(c.control).name.data();
    EXPECT_EQ(r.top, c.y) << controlSpec(c.control).name.data();
  }
}

TEST_F(MainWindowTest, KeyListsOfferTheKeyNamesInKeyboardOrder) {
  for (Control box : {Control::ComboBox1, Control::ComboBox3}) {
    ASSERT_EQ(SendMessageW(control(box), CB_GETCOUNT, 0, 0), 55);
    auto names = keyListNames();
    for (int i = 0; i < 55; ++i) {
      wchar_t item[64];
      SendMessageW(control(box), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
      EXPECT_EQ(narrow(item), names[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(SendMessageW(control(box), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(GetWindowLongPtrW(control(box), GWL_STYLE) & 3, CBS_DROPDOWNLIST);  // not editable
  }
  EXPECT_EQ(SendMessageW(control(Control::ComboBox2), CB_GETCOUNT, 0, 0), 2);
  chooseItem(Control::ComboBox2, "右键");
  EXPECT_EQ(text(Control::ComboBox2), "右键");
}

TEST_F(MainWindowTest, ScriptListIsOneHeaderlessColumnWithAVisibleSingleSelection) {
  HWND list = control(Control::ListView1);
  LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
  EXPECT_TRUE(style & LVS_NOCOLUMNHEADER);
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 1);
  fill({"A", "B"});
  selectRow(0);
  selectRow(1);
  EXPECT_EQ(window->selectedRow(), 1);
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(MainWindowTest, InsertButtonsPlaceTheirLineBeforeTheSelectedRow) {
  struct Case {
    std::function<void(MainWindowTest&)> prepare;
    Control button;
    std::string line;
  };
  const Case cases[] = {
      {[](MainWindowTest& t) { t.chooseItem(Control::ComboBox1, "Tab"); }, Control::Button1, "按键盘Tab键一次"},
      {[](MainWindowTest& t) { t.chooseItem(Control::ComboBox2, "右键"); }, Control::Button2, "单机鼠标右键一次"},
      {[](MainWindowTest& t) { t.setText(Control::Edit1, " 250"); }, Control::Button3, "延时 250毫秒"},
      {[](MainWindowTest&) {}, Control::Button4, "鼠标移动到屏幕坐标(坐标编辑框)"},
      {[](MainWindowTest& t) { t.setText(Control::Edit2, "-5,7"); }, Control::Button4, "鼠标移动到屏幕坐标(-5,7)"},
  };
  for (const Case& c : cases) {
    window->removeAllRows();
    fill({"A", "B", "C"});
    selectRow(1);
    c.prepare(*this);
    click(c.button);
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", c.line, "B", "C"}));
    EXPECT_EQ(window->selectedRow(), 2) << c.line;
    window->removeAllRows();
    click(c.button);  // nothing selected: at the end
    EXPECT_EQ(rows(), std::vector<std::string>{c.line});
  }
  EXPECT_TRUE(messages.all().empty());
}

TEST_F(MainWindowTest, HoldRowAppendsWhateverIsSelected) {
  fill({"A", "B"});
  selectRow(0);
  chooseItem(Control::ComboBox3, "上光标");
  setText(Control::Edit4, "3");
  click(Control::Button11);
  EXPECT_EQ(rows(), (std::vector<std::string>{"A", "B", "按住上光标键3秒"}));
}

TEST_F(MainWindowTest, EmptyCoordinatesAreRefusedWithTheMessage) {
  fill({"A"});
  setText(Control::Edit2, "");
  click(Control::Button4);
  EXPECT_EQ(rows(), std::vector<std::string>{"A"});
  EXPECT_EQ(messages.all(), std::vector<std::string>{"请输入鼠标将要移动到的位置坐标"});
}

TEST_F(MainWindowTest, DeleteRemovesTheSelectedRowOnly) {
  fill({"A", "B", "C"});
  click(Control::Button5);
  EXPECT_EQ(rows().size(), 3u);
  selectRow(1);
  click(Control::Button5);
  EXPECT_EQ(rows(), (std::vector<std::string>{"A", "C"}));
}

TEST_F(MainWindowTest, CaptureWritesThePositionAndShowsTheMessageFromItsThread) {
  struct Case {
    POINT cursor;
    std::string text;
  };
  for (const Case& c : {Case{{5, 7}, "5,7"}, Case{{0, 0}, "0,0"}, Case{{-5, 7}, "-5,7"}}) {
    input.cursor = c.cursor;
    onWorkerThread([&] { window->capturePosition(); });
    EXPECT_EQ(text(Control::Edit2), c.text);
    EXPECT_EQ(window->capturedPosition().x, c.cursor.x);
    EXPECT_EQ(window->capturedPosition().y, c.cursor.y);
  }
  EXPECT_EQ(messages.all(), std::vector<std::string>(3, "取当前坐标成功，已复制到坐标编辑框。"));
}

TEST_F(MainWindowTest, RunWithAnEmptyScriptShowsTheMessageAndStaysIdle) {
  click(Control::Button6);
  EXPECT_EQ(messages.all(), std::vector<std::string>{"脚本内容为空，请先插入脚本再运行。"});
  EXPECT_TRUE(visible(Control::Button6));
  EXPECT_FALSE(visible(Control::Button7));
}

TEST_F(MainWindowTest, RunShowsTheRunningStateThenReturnsToIdle) {
  fill({"延时10毫秒"});
  setText(Control::Edit3, "3");
  std::vector<std::string> during;
  input.onWait = [&] {
    during.push_back(std::string(visible(Control::Button6) ? "run " : "") +
                     (visible(Control::Button7) ? "stop " : "") +
                     (IsWindowEnabled(control(Control::Edit1)) ? "editable" : "locked") +
                     (IsWindowEnabled(control(Control::Button8)) ? " tray" : ""));
  };
  click(Control::Button6);
  EXPECT_EQ(input.events(), std::vector<std::string>(3, "wait 10"));
  EXPECT_EQ(during, std::vector<std::string>(3, "stop locked tray"));
  EXPECT_TRUE(visible(Control::Button6));
  EXPECT_FALSE(visible(Control::Button7));
  EXPECT_TRUE(IsWindowEnabled(control(Control::Edit1)));
}

TEST_F(MainWindowTest, StopButtonEndsTheRunAtThePassBoundary) {
  fill({"延时10毫秒", "按键盘A键一次"});
  input.onWait = [&] { click(Control::Button7); };
  click(Control::Button6);
  EXPECT_EQ(input.events(), (std::vector<std::string>{"wait 10", "tap 65"}));
  EXPECT_TRUE(visible(Control::Button6));
}

TEST_F(MainWindowTest, EndKeyTogglesFromItsThreadEvenWhileHiddenInTheTray) {
  fill({"按键盘F1键一次"});
  setText(Control::Edit3, "2");
  click(Control::Button8);
  ASSERT_FALSE(IsWindowVisible(window->hwnd()));
  onWorkerThread([&] { window->runner().toggleRun(); });
  EXPECT_EQ(input.events(), (std::vector<std::string>{"tap 112", "tap 112"}));
  EXPECT_TRUE(visible(Control::Button6));
}

TEST_F(MainWindowTest, TrayButtonHidesAndAddsOneIconThatALeftClickRemoves) {
  click(Control::Button8);
  EXPECT_FALSE(IsWindowVisible(window->hwnd()));
  ASSERT_EQ(g_notifyCalls.size(), 1u);
  const NotifyCall& add = g_notifyCalls[0];
  EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(add.size, NOTIFYICONDATAW_V1_SIZE);
  EXPECT_EQ(add.owner, window->hwnd());
  EXPECT_EQ(add.id, 100u);
  EXPECT_EQ(add.flags, 7u);
  EXPECT_EQ(add.callback, 0x8064u);
  EXPECT_TRUE(add.hasIcon);
  EXPECT_EQ(add.tip, L"Qelvo");

  SendMessageW(window->hwnd(), 0x8064, 100, WM_LBUTTONUP);
  EXPECT_TRUE(IsWindowVisible(window->hwnd()));
  SendMessageW(window->hwnd(), 0x8064, 100, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(window->hwnd()));
  ASSERT_EQ(g_notifyCalls.size(), 2u);
  EXPECT_EQ(g_notifyCalls[1].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(g_notifyCalls[1].id, 100u);

  click(Control::Button8);  // hiding again adds a fresh icon
  command(kMenuShowId);
  ASSERT_EQ(g_notifyCalls.size(), 4u);
  EXPECT_EQ(g_notifyCalls[2].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(g_notifyCalls[3].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_TRUE(IsWindowVisible(window->hwnd()));
  EXPECT_EQ(ended, 0);
}

TEST_F(MainWindowTest, IconComesBackWhenTheNotificationAreaIsRecreatedWhileHidden) {
  UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  SendMessageW(window->hwnd(), taskbarCreated, 0, 0);  // shown: no icon to restore
  EXPECT_TRUE(g_notifyCalls.empty());
  click(Control::Button8);
  SendMessageW(window->hwnd(), taskbarCreated, 0, 0);
  ASSERT_EQ(g_notifyCalls.size(), 2u);
  EXPECT_EQ(g_notifyCalls[1].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(g_notifyCalls[1].id, 100u);
  EXPECT_TRUE(g_notifyCalls[1].hasIcon);
  click(Control::Button8);  // already hidden: the icon is replaced, not added twice
  ASSERT_EQ(g_notifyCalls.size(), 3u);
  EXPECT_EQ(g_notifyCalls[2].message, static_cast<DWORD>(NIM_MODIFY));
}

RECT g_menuRect{};
std::vector<std::wstring> g_menuItems;

void CALLBACK inspectMenuThenClose(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (HWND menuWindow = FindWindowW(L"#32768", nullptr)) {
    GetWindowRect(menuWindow, &g_menuRect);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      wchar_t item[64] = {};
      GetMenuStringW(menu, static_cast<UINT>(i), item, 64, MF_BYPOSITION);
      g_menuItems.push_back(item);
    }
  }
  EndMenu();
}

TEST_F(MainWindowTest, RightClickOnTheIconPopsUpTheMenuLeftOfAndAboveThePointer) {
  click(Control::Button8);
  SetCursorPos(600, 500);
  POINT at;
  GetCursorPos(&at);
  for (LPARAM event : {LPARAM{WM_RBUTTONUP}, LPARAM{WM_CONTEXTMENU}}) {
    pumpFor(200);  // let the pointer move and focus changes settle first
    g_menuItems.clear();
    g_menuRect = {};
    SetTimer(nullptr, 0, 300, inspectMenuThenClose);
    SendMessageW(window->hwnd(), 0x8064, 100, event);  // returns when the menu has closed
    EXPECT_EQ(g_menuItems, (std::vector<std::wstring>{L"显示   ", L"退出   "}));
    EXPECT_EQ(g_menuRect.right, at.x - 5);
    EXPECT_EQ(g_menuRect.top, at.y - 5);
    EXPECT_FALSE(IsWindowVisible(window->hwnd()));  // closing the menu changes nothing
  }
  EXPECT_EQ(ended, 0);
}

TEST_F(MainWindowTest, ExitItemEndsTheProgramAndTakesTheIconAway) {
  click(Control::Button8);
  command(kMenuExitId);
  EXPECT_EQ(ended, 1);
  ASSERT_EQ(g_notifyCalls.size(), 2u);
  EXPECT_EQ(g_notifyCalls[1].message, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(MainWindowTest, CloseBoxEndsTheProgramWithoutAsking) {
  SendMessageW(window->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(messages.all().empty());
}

}  // namespace
}  // namespace qelvo
