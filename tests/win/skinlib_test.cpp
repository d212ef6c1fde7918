// Our SkinH_EL.dll on its own, loaded by path from the build. Every attach lives
// for the rest of its process, so each case that attaches runs in a fresh child
// process (this program again, with --child and a filter for that one case).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "skinlib/embedded_skin.h"

namespace {

bool g_inChild = false;

std::wstring exePath() {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 2);
  return std::wstring(buffer, n);
}

std::wstring builtLibraryPath() {
  std::wstring dir = exePath();
  dir.resize(dir.find_last_of(L'\\'));
  return dir + L"\\..\\skinlib\\SkinH_EL.dll";
}

// Runs one case of SkinLibraryInChild in a new process; its output joins ours.
DWORD runInChild(const char* testName) {
  std::wstring command = L"\"" + exePath() + L"\" --child --gtest_brief=1 --gtest_filter=SkinLibraryInChild.";
  for (const char* p = testName; *p; ++p) command += static_cast<wchar_t>(*p);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  for (HANDLE h : {si.hStdOutput, si.hStdError}) SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 1000;
  DWORD code = 1001;
  if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

#define IN_CHILD_ONLY() \
  if (!g_inChild) GTEST_SKIP() << "runs in a process of its own"

using AttachRes = std::int32_t(WINAPI*)(const unsigned char*, std::int32_t, const char*, std::int32_t, std::int32_t,
                                        std::int32_t);
using SetAero = std::int32_t(WINAPI*)(std::int32_t);

struct Library {
  HMODULE module = nullptr;
  AttachRes attach = nullptr;
  SetAero setAero = nullptr;
};

Library loadLibrary() {
  Library lib;
  lib.module = LoadLibraryExW(builtLibraryPath().c_str(), nullptr, 0);
  if (lib.module) {
    lib.attach = reinterpret_cast<AttachRes>(reinterpret_cast<void*>(GetProcAddress(lib.module, "SkinH_AttachRes")));
    lib.setAero = reinterpret_cast<SetAero>(reinterpret_cast<void*>(GetProcAddress(lib.module, "SkinH_SetAero")));
  }
  return lib;
}

// A skin with colours no system default uses, and flat buttons so a pixel tells
// the face colour exactly.
const std::string kTestSkin =
    "qelvo-skin 1\r\n"
    "# test skin\r\n"
    "font.face = No Such Face Here, WenQuanYi Micro Hei\r\n"
    "font.size = 10\r\n"
    "window.background = #102030\r\n"
    "window.text = #F0E0D0\r\n"
    "group.border = #405060\r\n"
    "group.text = #A0B0C0\r\n"
    "edit.background = #112233\r\n"
    "edit.text = #C1C2C3\r\n"
    "edit.border = #445566\r\n"
    "edit.focus = #778899\r\n"
    "list.background = #213243\r\n"
    "list.text = #D1D2D3\r\n"
    "list.selection = #314253\r\n"
    "list.selection.text = #E1E2E3\r\n"
    "button.fill = flat\r\n"
    "button.radius = 3\r\n"
    "button.text = #FEFDFC\r\n"
    "button.border = #010203\r\n"
    "button.focus = #050607\r\n"
    "button.top = #0A6B2C\r\n"
    "button.bottom = #0B6C2D\r\n"
    "button.hot.top = #0C6D2E\r\n"
    "button.hot.bottom = #0D6E2F\r\n"
    "button.pressed.top = #0E6F30\r\n"
    "button.pressed.bottom = #0F7031\r\n"
    "button.disabled.face = #808182\r\n"
    "button.disabled.text = #909192\r\n"
    "end\r\n";

constexpr COLORREF kWindowBackground = RGB(0x10, 0x20, 0x30);
constexpr COLORREF kWindowText = RGB(0xF0, 0xE0, 0xD0);
constexpr COLORREF kEditBackground = RGB(0x11, 0x22, 0x33);
constexpr COLORREF kEditText = RGB(0xC1, 0xC2, 0xC3);
constexpr COLORREF kListBackground = RGB(0x21, 0x32, 0x43);
constexpr COLORREF kButtonFace = RGB(0x0A, 0x6B, 0x2C);

std::int32_t attachCopy(const Library& lib, std::string skin) {
  std::vector<unsigned char> bytes(skin.begin(), skin.end());
  const std::int32_t r = lib.attach(bytes.data(), static_cast<std::int32_t>(bytes.size()), "", 0, 0, 0);
  // The caller may reuse or free the bytes at once: the library copied them.
  std::memset(bytes.data(), 0xCC, bytes.size());
  return r;
}

// One window of the program's kind with the controls the program uses.
struct Sample {
  HWND frame = nullptr, label = nullptr, button = nullptr, edit = nullptr, list = nullptr, combo = nullptr,
       listView = nullptr, group = nullptr;
};

Sample createSample() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    wc.lpszClassName = L"SkinTestFrame";
    return RegisterClassW(&wc) != 0;
  }();
  Sample s;
  if (!registered) return s;
  HINSTANCE inst = GetModuleHandleW(nullptr);
  s.frame = CreateWindowExW(0, L"SkinTestFrame", L"skin test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                            inst, nullptr);
  auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex, int x, int y, int w, int h) {
    return CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, s.frame, nullptr, inst, nullptr);
  };
  s.group = child(L"BUTTON", L"分组", BS_GROUPBOX, 0, 5, 5, 380, 120);
  s.label = child(L"STATIC", L"标签", 0, 0, 10, 30, 60, 20);
  s.button = child(L"BUTTON", L"按钮", BS_PUSHBUTTON, 0, 80, 30, 72, 24);
  s.edit = child(L"EDIT", L"1000", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 160, 30, 72, 20);
  s.list = child(L"LISTBOX", L"", 0, WS_EX_CLIENTEDGE, 10, 130, 100, 60);
  s.combo = child(L"COMBOBOX", L"", CBS_DROPDOWNLIST, 0, 240, 30, 72, 200);
  s.listView = child(WC_LISTVIEWW, L"", LVS_REPORT | LVS_NOCOLUMNHEADER, WS_EX_CLIENTEDGE, 120, 130, 100, 60);
  return s;
}

HBRUSH colourAnswer(HWND parent, UINT msg, HWND control, COLORREF* text = nullptr) {
  HDC dc = CreateCompatibleDC(nullptr);
  SetTextColor(dc, RGB(1, 2, 3));
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(parent, msg, reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(control)));
  if (text) *text = GetTextColor(dc);
  DeleteDC(dc);
  return brush;
}

COLORREF brushColour(HBRUSH brush) {
  LOGBRUSH lb{};
  if (!brush || GetObjectW(brush, sizeof lb, &lb) != sizeof lb) return CLR_INVALID;
  return lb.lbColor;
}

std::wstring fontFace(HWND control) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  if (!font || GetObjectW(font, sizeof lf, &lf) != sizeof lf) return L"";
  return lf.lfFaceName;
}

// A pixel as the control paints itself into a memory bitmap.
COLORREF paintedPixel(HWND control, int x, int y) {
  RECT rc;
  GetClientRect(control, &rc);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, rc.right, rc.bottom};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  const COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return c;
}

LONG_PTR buttonType(HWND button) { return GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK; }

// Everything a skinned sample shows, checked from the thread that owns it.
void expectSkinned(const Sample& s) {
  ASSERT_TRUE(s.frame && s.label && s.button && s.edit && s.combo && s.listView);
  COLORREF text = 0;
  EXPECT_EQ(brushColour(colourAnswer(s.frame, WM_CTLCOLORSTATIC, s.label, &text)), kWindowBackground);
  EXPECT_EQ(text, kWindowText);
  EXPECT_EQ(brushColour(colourAnswer(s.frame, WM_CTLCOLOREDIT, s.edit, &text)), kEditBackground);
  EXPECT_EQ(text, kEditText);
  EXPECT_EQ(brushColour(colourAnswer(s.frame, WM_CTLCOLORLISTBOX, s.list)), kListBackground);
  EXPECT_EQ(paintedPixel(s.label, 58, 18), kWindowBackground);
  EXPECT_EQ(buttonType(s.button), BS_OWNERDRAW);
  EXPECT_EQ(paintedPixel(s.button, 6, 12), kButtonFace);
  EXPECT_EQ(SendMessageW(s.listView, LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(kListBackground));
  EXPECT_EQ(fontFace(s.label), L"WenQuanYi Micro Hei");
  EXPECT_EQ(fontFace(s.button), L"WenQuanYi Micro Hei");
}

void expectUnskinned(const Sample& s) {
  ASSERT_TRUE(s.frame && s.label && s.button);
  EXPECT_EQ(colourAnswer(s.frame, WM_CTLCOLORSTATIC, s.label), GetSysColorBrush(COLOR_3DFACE));
  EXPECT_EQ(buttonType(s.button), BS_PUSHBUTTON);
  EXPECT_NE(paintedPixel(s.button, 6, 12), kButtonFace);
  EXPECT_EQ(fontFace(s.label), L"");
}

// Runs f on a new thread with its own message queue and waits for it.
template <typename F>
void onNewThread(F f) {
  struct Box {
    F f;
  } box{f};
  HANDLE thread = CreateThread(
      nullptr, 0, [](void* p) -> DWORD {
        static_cast<Box*>(p)->f();
        return 0;
      },
      &box, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

TEST(SkinLibrary, ExportsBothEntryPointsByPlainName) {
  const Library lib = loadLibrary();
  ASSERT_NE(lib.module, nullptr);
  EXPECT_NE(lib.attach, nullptr);
  EXPECT_NE(lib.setAero, nullptr);
}

TEST(SkinLibrary, ProgramEmbedsTheBuiltLibraryByteForByte) {
  std::ifstream in(std::filesystem::path(builtLibraryPath()), std::ios::binary);
  ASSERT_TRUE(in);
  const std::vector<unsigned char> built{std::istreambuf_iterator<char>(in), {}};
  const auto embedded = qelvo::embeddedSkinLibrary();
  ASSERT_GT(built.size(), 2u);
  EXPECT_EQ(built[0], 'M');
  EXPECT_EQ(built[1], 'Z');
  EXPECT_TRUE(built.size() == embedded.size() && std::equal(built.begin(), built.end(), embedded.begin()));
}

TEST(SkinLibraryInChild, SkinsWindowsOfEveryThreadAfterAttach) {
  IN_CHILD_ONLY();
  const Library lib = loadLibrary();
  ASSERT_TRUE(lib.attach && lib.setAero);

  const Sample before = createSample();
  // A thread that exists before the attach and creates its window after it.
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Sample early;
  struct Early {
    HANDLE go;
    Sample* sample;
    HANDLE done;
  } ctx{go, &early, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE earlyThread = CreateThread(
      nullptr, 0, [](void* p) -> DWORD {
        auto* c = static_cast<Early*>(p);
        WaitForSingleObject(c->go, INFINITE);
        *c->sample = createSample();
        expectSkinned(*c->sample);
        DestroyWindow(c->sample->frame);
        return 0;
      },
      &ctx, 0, nullptr);
  ASSERT_NE(earlyThread, nullptr);

  ASSERT_EQ(attachCopy(lib, kTestSkin), 1);
  EXPECT_EQ(lib.setAero(1), 1);

  SCOPED_TRACE("window that existed on the attaching thread");
  expectSkinned(before);
  {
    SCOPED_TRACE("window created later on the same thread");
    const Sample later = createSample();
    expectSkinned(later);
    DestroyWindow(later.frame);
  }
  {
    SCOPED_TRACE("window of a thread started after the attach");
    onNewThread([] {
      const Sample other = createSample();
      expectSkinned(other);
      DestroyWindow(other.frame);
    });
  }
  {
    SCOPED_TRACE("window of a thread that existed before the attach");
    SetEvent(go);
    WaitForSingleObject(earlyThread, INFINITE);
  }
  CloseHandle(earlyThread);
  CloseHandle(go);
  CloseHandle(ctx.done);
  DestroyWindow(before.frame);
}

TEST(SkinLibraryInChild, SkinsMessageBoxesOfWorkerThreads) {
  IN_CHILD_ONLY();
  const Library lib = loadLibrary();
  ASSERT_TRUE(lib.attach);
  ASSERT_EQ(attachCopy(lib, kTestSkin), 1);

  HANDLE worker = CreateThread(
      nullptr, 0, [](void*) -> DWORD {
        MessageBoxW(nullptr, L"已获取鼠标坐标", L"信息：", MB_OK | MB_TASKMODAL);
        return 0;
      },
      nullptr, 0, nullptr);
  ASSERT_NE(worker, nullptr);
  HWND box = nullptr;
  for (int i = 0; i < 500 && !box; ++i) {
    Sleep(20);
    box = FindWindowW(L"#32770", L"信息：");
  }
  ASSERT_NE(box, nullptr);
  HWND ok = GetDlgItem(box, IDOK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(buttonType(ok), BS_OWNERDRAW);
  EXPECT_EQ(fontFace(ok), L"WenQuanYi Micro Hei");
  EXPECT_EQ(brushColour(colourAnswer(box, WM_CTLCOLORDLG, box)), kWindowBackground);
  // The button still works as the box's default: Enter and OK end it.
  PostMessageW(box, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(ok));
  EXPECT_EQ(WaitForSingleObject(worker, 10000), WAIT_OBJECT_0);
  CloseHandle(worker);
}

TEST(SkinLibraryInChild, RejectsDamagedSkinsAndLeavesWindowsAlone) {
  IN_CHILD_ONLY();
  const Library lib = loadLibrary();
  ASSERT_TRUE(lib.attach);

  auto replaced = [](std::string s, const std::string& from, const std::string& to) {
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  const std::string endLine = "end\r\n";
  const std::size_t endAt = kTestSkin.rfind(endLine);
  const std::vector<std::pair<const char*, std::string>> damaged = {
      {"empty", ""},
      {"not a skin", "MZ\x90\x00\x03 this is no skin at all"},
      {"no header", kTestSkin.substr(kTestSkin.find('\n') + 1)},
      {"no end line", kTestSkin.substr(0, endAt)},
      {"text after end", kTestSkin + "window.text = #000000\r\n"},
      {"bad colour", replaced(kTestSkin, "#102030", "#10203G")},
      {"short colour", replaced(kTestSkin, "#102030", "#10203")},
      {"unknown key", replaced(kTestSkin, "group.text", "group.txt")},
      {"repeated key", replaced(kTestSkin, "group.text = #A0B0C0", "window.text = #A0B0C0")},
      {"size out of range", replaced(kTestSkin, "font.size = 10", "font.size = 99")},
      {"unknown fill", replaced(kTestSkin, "flat", "plaid")},
      {"NUL inside", replaced(kTestSkin, "# test skin", std::string("# test\0skin", 11))},
      {"bad UTF-8 face", replaced(kTestSkin, "No Such", "No \xC3\x28 Such")},
      {"too long", kTestSkin.substr(0, endAt) + "#" + std::string(70000, 'x') + "\r\n" + endLine},
  };
  for (const auto& [name, bytes] : damaged) {
    SCOPED_TRACE(name);
    EXPECT_EQ(attachCopy(lib, bytes), 0);
  }
  // Every cut short of the closing line is caught, wherever it falls.
  for (std::size_t n = 0; n < endAt + 3; ++n) {
    std::vector<unsigned char> prefix(kTestSkin.begin(), kTestSkin.begin() + static_cast<std::ptrdiff_t>(n));
    prefix.push_back(0xFF);  // a guard byte beyond the count, which must not be read as text
    ASSERT_EQ(lib.attach(prefix.data(), static_cast<std::int32_t>(n), "", 0, 0, 0), 0) << "cut at " << n;
  }
  EXPECT_EQ(lib.attach(nullptr, 100, "", 0, 0, 0), 0);
  const auto good = reinterpret_cast<const unsigned char*>(kTestSkin.data());
  EXPECT_EQ(lib.attach(good, -1, "", 0, 0, 0), 0);
  EXPECT_EQ(lib.attach(good, 0, nullptr, 0, 0, 0), 0);

  {
    SCOPED_TRACE("after the rejected skins");
    const Sample s = createSample();
    expectUnskinned(s);
    DestroyWindow(s.frame);
  }
  // The library is still sound: a good skin is then taken.
  ASSERT_EQ(attachCopy(lib, kTestSkin), 1);
  const Sample s = createSample();
  expectSkinned(s);
  DestroyWindow(s.frame);
}

TEST(SkinLibraryInChild, TakesTheShippedSkin) {
  IN_CHILD_ONLY();
  const Library lib = loadLibrary();
  ASSERT_TRUE(lib.attach);
  const auto skin = qelvo::embeddedSkin();
  ASSERT_EQ(attachCopy(lib, std::string(skin.begin(), skin.end())), 1);
  const Sample s = createSample();
  EXPECT_EQ(buttonType(s.button), BS_OWNERDRAW);
  EXPECT_EQ(brushColour(colourAnswer(s.frame, WM_CTLCOLORSTATIC, s.label)), RGB(0xF2, 0xF5, 0xF9));
  DestroyWindow(s.frame);
}

TEST(SkinLibrary, SkinsWindowsOfEveryThreadAfterAttach) { EXPECT_EQ(runInChild("SkinsWindowsOfEveryThreadAfterAttach"), 0u); }
TEST(SkinLibrary, SkinsMessageBoxesOfWorkerThreads) { EXPECT_EQ(runInChild("SkinsMessageBoxesOfWorkerThreads"), 0u); }
TEST(SkinLibrary, RejectsDamagedSkinsAndLeavesWindowsAlone) {
  EXPECT_EQ(runInChild("RejectsDamagedSkinsAndLeavesWindowsAlone"), 0u);
}
TEST(SkinLibrary, TakesTheShippedSkin) { EXPECT_EQ(runInChild("TakesTheShippedSkin"), 0u); }

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--child") == 0) g_inChild = true;
  testing::InitGoogleTest(&argc, argv);
  // The cases that attach run only through their parent test, each in its own process.
  if (!g_inChild && testing::GTEST_FLAG(filter) == "*") testing::GTEST_FLAG(filter) = "-SkinLibraryInChild.*";
  return RUN_ALL_TESTS();
}
