// The save and load windows, driven through their controls from inside their own
// modal loop, against a fresh program folder on disk.
#include "scriptfiles/script_file_windows_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/gbk_text_win.h"
#include "support/recording_messages.h"
#include "support/row_list.h"

namespace qelvo {
namespace {

using test::RecordingMessages;
using test::RowList;
using Rows = std::vector<std::string>;

const std::string kEnterName = "请输入要保存的脚本名称";
const std::string kEmptyScript = "当前脚本内容为空，请先编辑脚本然后保存。";
const std::string kSaved = "保存成功";
const std::string kSaveFailed = "保存失败，请检查脚本名称或文件是否可写。";
const std::string kBadName = "脚本名称不能包含下列字符：\\ / : * ? \" < > |";
const std::string kChooseScript = "请选择要读取的脚本";

const std::wstring kFolder = L"脚本";

// --- files ---------------------------------------------------------------

std::optional<std::string> fileBytes(const std::wstring& path) {
  const HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(f, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(f);
  return bytes;
}

void writeFile(const std::wstring& path, std::string_view bytes, DWORD attributes = 0) {
  const HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  if (attributes) SetFileAttributesW(path.c_str(), attributes);
}

std::wstring inFolder(const std::wstring& name) { return kFolder + L"\\" + name; }

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Every entry of a folder, "." and ".." left out.
std::set<std::wstring> entries(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.insert(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

void removeTree(const std::wstring& path) {
  for (const std::wstring& name : entries(path)) {
    const std::wstring child = path + L"\\" + name;
    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (GetFileAttributesW(child.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
      removeTree(child);
    } else {
      DeleteFileW(child.c_str());
    }
  }
  RemoveDirectoryW(path.c_str());
}

std::wstring currentDirectory() {
  wchar_t buffer[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, buffer);
  return buffer;
}

// --- windows -------------------------------------------------------------

HWND child(HWND window, const wchar_t* className) { return FindWindowExW(window, nullptr, className, nullptr); }

std::wstring textOf(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

void typeName(HWND window, const std::wstring& name) { SetWindowTextW(child(window, L"Edit"), name.c_str()); }

void clickButton(HWND window) { SendMessageW(child(window, L"Button"), BM_CLICK, 0, 0); }

std::vector<std::wstring> listedNames(HWND window) {
  const HWND list = child(window, L"ListBox");
  std::vector<std::wstring> names;
  const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
    wchar_t buffer[MAX_PATH] = {};
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
    names.emplace_back(buffer);
  }
  return names;
}

void selectName(HWND window, const std::wstring& name) {
  const HWND list = child(window, L"ListBox");
  const auto index = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(name.c_str()));
  ASSERT_NE(index, LB_ERR);
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

struct WindowSearch {
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK matchTitle(HWND window, LPARAM search) {
  auto& s = *reinterpret_cast<WindowSearch*>(search);
  if (!IsWindowVisible(window) || textOf(window) != s.title) return TRUE;
  s.found = window;
  return FALSE;
}

// A visible window of this thread with that title.
HWND findOwnWindow(const std::wstring& title) {
  WindowSearch search{title};
  EnumThreadWindows(GetCurrentThreadId(), matchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The steps run once the window is open, from a thread timer that its own modal
// loop dispatches; a window still open after them is shut with its close box.
struct Driver {
  std::wstring title;
  std::function<void(HWND)> steps;
  bool ran = false;
};
Driver* activeDriver = nullptr;

void CALLBACK driveWindow(HWND, UINT, UINT_PTR timer, DWORD) {
  Driver& driver = *activeDriver;
  const HWND window = findOwnWindow(driver.title);
  if (!window || driver.ran) return;
  KillTimer(nullptr, timer);
  driver.ran = true;
  driver.steps(window);
  if (IsWindow(window)) SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (IsWindow(window)) {
    ADD_FAILURE() << "the close box left the window open";
    DestroyWindow(window);
  }
}

class ScriptFileWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDirectory_ = currentDirectory();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    programFolder_ = std::wstring(temp) + L"qelvo-script-files-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                     std::to_wstring(GetTickCount64());
    ASSERT_TRUE(CreateDirectoryW(programFolder_.c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryW(programFolder_.c_str()));
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(owner_);
  }
  void TearDown() override {
    DestroyWindow(owner_);
    SetCurrentDirectoryW(previousDirectory_.c_str());
    removeTree(programFolder_);
  }

  void drive(bool save, std::function<void(HWND)> steps) {
    Driver driver{widen(save ? "保存脚本" : "读入脚本"), std::move(steps)};
    activeDriver = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, driveWindow);
    if (save) {
      openSaveScriptWindow(owner_, script, messages);
    } else {
      openLoadScriptWindow(owner_, script, messages);
    }
    if (!driver.ran) KillTimer(nullptr, timer);
    activeDriver = nullptr;
    EXPECT_TRUE(driver.ran);
    EXPECT_TRUE(IsWindowEnabled(owner_)) << "the owner comes back when the window closes";
    EXPECT_FALSE(findOwnWindow(driver.title));
  }

  // Types the name, clicks Save and tells whether the window is still open.
  bool saveAs(HWND window, const std::wstring& name) {
    typeName(window, name);
    clickButton(window);
    return IsWindow(window);
  }

  RowList script;
  RecordingMessages messages;
  HWND owner_ = nullptr;
  std::wstring programFolder_;
  std::wstring previousDirectory_;
};

struct ControlLayout {
  const wchar_t* className;
  RECT rect;  // client coordinates: left, top, right, bottom
  std::string text;
};

void expectLayout(HWND window, const std::string& title, int width, int height,
                  const std::vector<ControlLayout>& controls) {
  EXPECT_EQ(textOf(window), widen(title));
  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right - outer.left, width);
  EXPECT_EQ(outer.bottom - outer.top, height);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
  const auto style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  for (const ControlLayout& c : controls) {
    const HWND control = child(window, c.className);
    ASSERT_TRUE(control) << c.text;
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, c.rect.left) << c.text;
    EXPECT_EQ(r.top, c.rect.top) << c.text;
    EXPECT_EQ(r.right, c.rect.right) << c.text;
    EXPECT_EQ(r.bottom, c.rect.bottom) << c.text;
    EXPECT_EQ(textOf(control), widen(c.text));
  }
}

TEST_F(ScriptFileWindows, SaveWindowLayoutAndModality) {
  drive(true, [&](HWND window) {
    EXPECT_FALSE(IsWindowEnabled(owner_));
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner_);
    expectLayout(window, "保存脚本", 272, 122,
                 {{L"Static", {24, 16, 168, 40}, "请输入要保存的脚本名称：\r\n"},
                  {L"Edit", {48, 48, 144, 72}, ""},
                  {L"Button", {168, 48, 232, 72}, "保存"}});
  });
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(exists(kFolder)) << "only a save creates the folder";
}

TEST_F(ScriptFileWindows, LoadWindowLayoutAndModality) {
  drive(false, [&](HWND window) {
    EXPECT_FALSE(IsWindowEnabled(owner_));
    expectLayout(window, "读入脚本", 380, 114,
                 {{L"Button", {264, 24, 352, 56}, "读取脚本"},
                  {L"Static", {8, 32, 128, 56}, "请选择要读取的脚本："},
                  {L"ListBox", {136, 16, 248, 64}, ""}});
    EXPECT_TRUE(listedNames(window).empty());
  });
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(exists(kFolder));
}

TEST_F(ScriptFileWindows, SaveAsksForANameThenWritesNumberedLines) {
  script = RowList({"按键盘F1键一次", "延时1000毫秒", "鼠标移动到屏幕坐标(100、200)"});
  drive(true, [&](HWND window) {
    EXPECT_TRUE(saveAs(window, L""));
    EXPECT_EQ(messages.shown, Rows{kEnterName});
    EXPECT_FALSE(exists(kFolder));
    EXPECT_FALSE(saveAs(window, L"我的 脚本"));
    EXPECT_EQ(messages.shown, (Rows{kEnterName, kSaved}));
  });
  EXPECT_EQ(fileBytes(inFolder(L"我的 脚本.ini")),
            "1、按键盘F1键一次\r\n2、延时1000毫秒\r\n3、鼠标移动到屏幕坐标(100、200)\r\n");
  EXPECT_EQ(entries(kFolder), std::set<std::wstring>{L"我的 脚本.ini"});
}

TEST_F(ScriptFileWindows, SavingAnEmptyScriptClosesAndWritesNothing) {
  drive(true, [&](HWND window) {
    EXPECT_FALSE(saveAs(window, L"x"));
    EXPECT_EQ(messages.shown, Rows{kEmptyScript});
  });
  EXPECT_FALSE(exists(kFolder));
}

TEST_F(ScriptFileWindows, ANameEndingInIniGetsASecondOne) {
  script = RowList({"a"});
  drive(true, [&](HWND window) { EXPECT_FALSE(saveAs(window, L"x.ini")); });
  EXPECT_EQ(messages.shown, Rows{kSaved});
  EXPECT_EQ(entries(kFolder), std::set<std::wstring>{L"x.ini.ini"});
}

TEST_F(ScriptFileWindows, NamesThatLeaveThePlainFileNameAreRefused) {
  script = RowList({"a"});
  const std::wstring names[] = {L"..\\up", L"sub\\x", L"a/b", L"C:x", L"x:stream", L"*", L"a?",
                                L"\"q\"",  L"<",      L"a>",  L"|",   L"a\tb"};
  drive(true, [&](HWND window) {
    for (const std::wstring& name : names) {
      EXPECT_TRUE(saveAs(window, name)) << narrow(name);
      EXPECT_EQ(messages.shown.back(), kBadName) << narrow(name);
    }
  });
  EXPECT_EQ(messages.shown.size(), std::size(names));
  EXPECT_FALSE(exists(kFolder));
  EXPECT_EQ(entries(L"."), std::set<std::wstring>{});
}

TEST_F(ScriptFileWindows, OverwritingLeavesExactlyTheNewLines) {
  CreateDirectoryW(kFolder.c_str(), nullptr);
  writeFile(inFolder(L"s.ini"), "1、a much longer old line\r\n2、and another one\r\n3、and a third\r\n");
  script = RowList({"new"});
  drive(true, [&](HWND window) { EXPECT_FALSE(saveAs(window, L"s")); });
  EXPECT_EQ(messages.shown, Rows{kSaved});
  EXPECT_EQ(fileBytes(inFolder(L"s.ini")), "1、new\r\n");
  EXPECT_EQ(entries(kFolder), std::set<std::wstring>{L"s.ini"}) << "no temporary file is left behind";
}

TEST_F(ScriptFileWindows, AFailedSaveSaysSoAndLeavesTheOldFileAlone) {
  const std::string old = "1、old\r\n2、lines\r\n";
  struct Case {
    const char* what;
    std::function<void()> prepare;
    std::wstring name;
    std::wstring kept;  // the path whose bytes must not change
  } cases[] = {
      {"read-only target",
       [&] { writeFile(inFolder(L"s.ini"), old, FILE_ATTRIBUTE_READONLY); }, L"s", inFolder(L"s.ini")},
      {"folder in the way", [&] { CreateDirectoryW(inFolder(L"d.ini").c_str(), nullptr); writeFile(inFolder(L"d.ini\\keep"), old); },
       L"d", inFolder(L"d.ini\\keep")},
      {"file where the folder belongs", [&] { RemoveDirectoryW(kFolder.c_str()); writeFile(kFolder, old); },
       L"s", kFolder},
  };
  script = RowList({"new"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    removeTree(kFolder);
    DeleteFileW(kFolder.c_str());
    CreateDirectoryW(kFolder.c_str(), nullptr);
    c.prepare();
    const std::set<std::wstring> before = entries(kFolder);
    messages.shown.clear();
    drive(true, [&](HWND window) {
      EXPECT_TRUE(saveAs(window, c.name)) << "the window stays open for another try";
      EXPECT_EQ(messages.shown, Rows{kSaveFailed});
    });
    EXPECT_EQ(fileBytes(c.kept), old);
    EXPECT_EQ(entries(kFolder), before) << "no temporary file is left behind";
  }
}

TEST_F(ScriptFileWindows, AFailedReplaceOfALockedFileLeavesItWhole) {
  CreateDirectoryW(kFolder.c_str(), nullptr);
  const std::string old = "1、old\r\n";
  writeFile(inFolder(L"s.ini"), old);
  // Another program holds the file open without letting it be deleted or renamed over.
  const HANDLE lock = CreateFileW(inFolder(L"s.ini").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  script = RowList({"new"});
  drive(true, [&](HWND window) { EXPECT_TRUE(saveAs(window, L"s")); });
  CloseHandle(lock);
  EXPECT_EQ(messages.shown, Rows{kSaveFailed});
  EXPECT_EQ(fileBytes(inFolder(L"s.ini")), old);
  EXPECT_EQ(entries(kFolder), std::set<std::wstring>{L"s.ini"});
}

TEST_F(ScriptFileWindows, FileListShowsOnlyIniFilesSortedWithoutChangingTheDirectory) {
  CreateDirectoryW(kFolder.c_str(), nullptr);
  for (const wchar_t* name : {L"b.ini", L"A.ini", L"2.ini", L"读.ini", L"notes.txt", L"x.inix", L"y.ini.bak"}) {
    writeFile(inFolder(name), "1、a\r\n");
  }
  writeFile(inFolder(L"hidden.ini"), "1、a\r\n", FILE_ATTRIBUTE_HIDDEN);
  writeFile(inFolder(L"locked.ini"), "1、a\r\n", FILE_ATTRIBUTE_READONLY);
  CreateDirectoryW(inFolder(L"folder.ini").c_str(), nullptr);
  const std::wstring before = currentDirectory();
  drive(false, [&](HWND window) {
    EXPECT_EQ(listedNames(window),
              (std::vector<std::wstring>{L"2.ini", L"A.ini", L"b.ini", L"hidden.ini", L"locked.ini", L"读.ini"}));
    EXPECT_EQ(currentDirectory(), before);
  });
  EXPECT_EQ(currentDirectory(), before);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ScriptFileWindows, LoadAsksForAChoiceUntilAFileCanBeRead) {
  CreateDirectoryW(kFolder.c_str(), nullptr);
  writeFile(inFolder(L"gone.ini"), "1、x\r\n");
  {
    // 65 MiB of holes: cheap to make, never read.
    const HANDLE huge = CreateFileW(inFolder(L"huge.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(huge, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 65LL << 20;
    SetFilePointerEx(huge, size, nullptr, FILE_BEGIN);
    SetEndOfFile(huge);
    CloseHandle(huge);
  }
  writeFile(inFolder(L"s.ini"), "1、abc、\r\n2、鼠标移动到屏幕坐标(100、200)\r\n3、\r\nhand written\r\n\r\n");
  script = RowList({"kept"}, 0);
  drive(false, [&](HWND window) {
    clickButton(window);
    EXPECT_EQ(messages.shown, Rows{kChooseScript});
    ASSERT_TRUE(IsWindow(window));
    selectName(window, L"huge.ini");
    clickButton(window);
    EXPECT_EQ(messages.shown, (Rows{kChooseScript, kChooseScript})) << "a file far beyond any script";
    selectName(window, L"gone.ini");
    DeleteFileW(inFolder(L"gone.ini").c_str());
    clickButton(window);
    EXPECT_EQ(messages.shown, (Rows{kChooseScript, kChooseScript, kChooseScript}));
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(script.rows(), Rows{"kept"});
    selectName(window, L"s.ini");
    clickButton(window);
    EXPECT_FALSE(IsWindow(window));
  });
  EXPECT_EQ(messages.shown.size(), 3u);
  EXPECT_EQ(script.rows(), (Rows{"abc、", "鼠标移动到屏幕坐标(100、200)", "", "hand written"}));
}

TEST_F(ScriptFileWindows, ScriptsThatCannotBeWrittenStillLoad) {
  CreateDirectoryW(kFolder.c_str(), nullptr);
  writeFile(inFolder(L"read-only.ini"), "1、延时1000毫秒\r\n", FILE_ATTRIBUTE_READONLY);
  writeFile(inFolder(L"held.ini"), "1、按键盘F1键一次\r\n");
  // Another program reads this one and lets nobody write it meanwhile.
  const HANDLE reader = CreateFileW(inFolder(L"held.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const struct {
    std::wstring name;
    std::string row;
  } cases[] = {{L"read-only.ini", "延时1000毫秒"}, {L"held.ini", "按键盘F1键一次"}};
  for (const auto& c : cases) {
    drive(false, [&](HWND window) {
      selectName(window, c.name);
      clickButton(window);
    });
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(script.rows(), Rows{c.row});
  }
  CloseHandle(reader);
}

TEST_F(ScriptFileWindows, WithoutAFolderTheListIsEmptyAndLoadAsksForAChoice) {
  drive(false, [&](HWND window) {
    EXPECT_TRUE(listedNames(window).empty());
    clickButton(window);
    EXPECT_TRUE(IsWindow(window));
  });
  EXPECT_EQ(messages.shown, Rows{kChooseScript});
  EXPECT_FALSE(exists(kFolder));
}

TEST_F(ScriptFileWindows, WhatIsSavedLoadsBackTheSame) {
  const Rows rows = {"按键盘回车键一次", "abc、", "、", "１２、３", "鼠标右键单击一次"};
  script = RowList(rows);
  drive(true, [&](HWND window) { saveAs(window, L"往返"); });
  script = RowList({"other"});
  drive(false, [&](HWND window) {
    selectName(window, L"往返.ini");
    clickButton(window);
  });
  EXPECT_EQ(messages.shown, Rows{kSaved});
  EXPECT_EQ(script.rows(), rows);
}

}  // namespace
}  // namespace qelvo
