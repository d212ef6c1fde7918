// Helper of the skin end-to-end tests: a small program that attaches the skin the
// way the main window does (applySkin, then enableSkinAero, in its created event)
// and reports what can be seen. Modes:
//   skin_probe                     attach, report "label=#RRGGBB button=ownerdraw|plain", exit 0
//   skin_probe --attributes        print the attributes of SkinH_EL.dll beside the program (hex)
//   skin_probe --read-message S    wait up to S seconds for a "信息：" box of any process,
//                                  print its text, press its OK button
//   skin_probe --sample [--no-skin] [--message]
//                                  show a window laid out like the main window (and a message
//                                  box from a worker thread) until it is closed
//   skin_probe --close-sample      close the sample window of another probe
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/skin_loader_win.h"
#include "platform/message_box_win.h"

namespace {

void print(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
  utf8 += '\n';
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::wstring besideProgram(const wchar_t* name) {
  wchar_t buffer[MAX_PATH * 2];
  std::wstring path(buffer, GetModuleFileNameW(nullptr, buffer, MAX_PATH * 2));
  path.resize(path.find_last_of(L'\\') + 1);
  return path + name;
}

std::wstring hexColour(COLORREF c) {
  wchar_t text[16];
  swprintf(text, 16, L"#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

HWND g_label = nullptr;
HWND g_button = nullptr;
bool g_sample = false;
bool g_skin = true;

HWND control(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex, int x, int y, int w, int h) {
  HWND hwnd = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return hwnd;
}

// The main window's controls at their places (group box children offset by its origin).
void createSampleControls(HWND w) {
  const int gx = 9, gy = 6;
  auto in = [&](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex, int x, int y, int cw, int ch) {
    return control(w, cls, text, style, ex, gx + x, gy + y, cw, ch);
  };
  control(w, L"BUTTON", L"脚本编辑区", BS_GROUPBOX, 0, gx, gy, 390, 293);
  const wchar_t* keys[] = {L"F1", L"F2", L"F3", L"A", L"B", L"Enter", L"Space"};
  in(L"STATIC", L"按键", 0, 0, 17, 35, 24, 24);
  HWND keyBox = in(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 48, 33, 72, 200);
  for (const wchar_t* k : keys) SendMessageW(keyBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(k));
  SendMessageW(keyBox, CB_SETCURSEL, 0, 0);
  in(L"STATIC", L"一次", 0, 0, 142, 35, 32, 24);
  in(L"BUTTON", L"插入脚本", BS_PUSHBUTTON | WS_TABSTOP, 0, 275, 30, 72, 24);
  in(L"STATIC", L"单击", 0, 0, 16, 68, 24, 20);
  HWND mouseBox = in(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_TABSTOP, 0, 48, 66, 72, 120);
  SendMessageW(mouseBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"左键"));
  SendMessageW(mouseBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"右键"));
  SendMessageW(mouseBox, CB_SETCURSEL, 0, 0);
  in(L"STATIC", L"鼠标一次", 0, 0, 134, 68, 100, 24);
  in(L"BUTTON", L"插入脚本", BS_PUSHBUTTON | WS_TABSTOP, 0, 275, 63, 72, 24);
  in(L"STATIC", L"延时", 0, 0, 17, 102, 23, 16);
  in(L"EDIT", L"1000", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 48, 100, 72, 20);
  in(L"STATIC", L"毫秒", 0, 0, 134, 102, 24, 24);
  in(L"STATIC", L"(1秒=1000毫秒)", 0, 0, 160, 102, 88, 24);
  in(L"BUTTON", L"插入脚本", BS_PUSHBUTTON | WS_TABSTOP, 0, 275, 97, 72, 24);
  in(L"STATIC", L"鼠标移动到", 0, 0, 16, 136, 66, 20);
  in(L"EDIT", L"坐标编辑框", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 87, 133, 120, 20);
  in(L"STATIC", L"坐标", 0, 0, 212, 136, 30, 20);
  in(L"BUTTON", L"插入脚本", BS_PUSHBUTTON | WS_TABSTOP, 0, 275, 131, 72, 24);
  in(L"STATIC", L"提示：先选好按键或鼠标动作，点“插入脚本”把它加入右边的脚本任务区，再按“运行脚本”。", 0, 0, 11, 177, 360, 63);
  in(L"STATIC", L"运行状态中按下end键停止，停止状态中按下end键开始。", 0, 0, 11, 248, 363, 13);
  in(L"STATIC", L"有好的建议或者意见请发送邮件到 someone@example.com", 0, 0, 12, 268, 284, 14);
  control(w, L"STATIC", L"脚本任务区", 0, 0, 407, 9, 100, 12);
  HWND list = control(w, WC_LISTVIEWW, L"", LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                      WS_EX_CLIENTEDGE, 405, 24, 248, 248);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 224;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  const wchar_t* rows[] = {L"按键盘F1键一次", L"延时1000毫秒", L"鼠标移动到320,240坐标", L"单击鼠标左键一次",
                           L"延时500毫秒"};
  for (int i = 0; i < 5; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(rows[i]);
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  LVITEMW selected{};
  selected.stateMask = selected.state = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&selected));
  control(w, L"STATIC", L"运行", 0, 0, 415, 285, 24, 20);
  control(w, L"EDIT", L"999999", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 447, 282, 72, 20);
  control(w, L"STATIC", L"次", 0, 0, 524, 285, 16, 20);
  control(w, L"BUTTON", L"最小化到托盘", BS_PUSHBUTTON | WS_TABSTOP, 0, 572, 281, 80, 24);
  HWND stop = control(w, L"BUTTON", L"停止脚本", BS_PUSHBUTTON | WS_TABSTOP, 0, 332, 314, 62, 32);
  EnableWindow(stop, FALSE);  // shown disabled here so the picture has that state too
  control(w, L"BUTTON", L"运行脚本", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 408, 314, 62, 32);
  control(w, L"BUTTON", L"删除脚本", BS_PUSHBUTTON | WS_TABSTOP, 0, 466, 314, 62, 32);
  control(w, L"BUTTON", L"保存脚本", BS_PUSHBUTTON | WS_TABSTOP, 0, 528, 314, 62, 32);
  control(w, L"BUTTON", L"读取脚本", BS_PUSHBUTTON | WS_TABSTOP, 0, 591, 314, 62, 32);
  control(w, L"STATIC", L"公告：欢迎使用", 0, 0, 8, 306, 300, 42);
}

LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      if (g_sample) {
        createSampleControls(hwnd);
      } else {
        g_label = control(hwnd, L"STATIC", L"标签", 0, 0, 10, 10, 80, 20);
      }
      // The start-up sequence's two skin steps, in the created event.
      if (g_skin) {
        qelvo::applySkin();
        qelvo::enableSkinAero();
      }
      if (!g_sample) g_button = control(hwnd, L"BUTTON", L"按钮", BS_PUSHBUTTON, 0, 10, 40, 72, 24);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

HWND createFrame(const wchar_t* title, int width, int height) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = frameProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
  wc.lpszClassName = L"SkinProbeFrame";
  RegisterClassW(&wc);
  return CreateWindowExW(0, L"SkinProbeFrame", title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                         (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                         width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

int report() {
  HWND frame = createFrame(L"skin probe", 300, 200);
  if (!frame) return 2;
  HDC dc = CreateCompatibleDC(nullptr);
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(frame, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(g_label)));
  DeleteDC(dc);
  LOGBRUSH lb{};
  GetObjectW(brush, sizeof lb, &lb);
  const bool ownerDrawn = (GetWindowLongPtrW(g_button, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
  print(L"label=" + hexColour(lb.lbColor) + L" button=" + (ownerDrawn ? L"ownerdraw" : L"plain"));
  DestroyWindow(frame);
  return 0;
}

int attributes() {
  const DWORD a = GetFileAttributesW(besideProgram(L"SkinH_EL.dll").c_str());
  wchar_t text[16];
  swprintf(text, 16, L"0x%lX", static_cast<unsigned long>(a));
  print(text);
  return 0;
}

BOOL CALLBACK collectText(HWND hwnd, LPARAM lp) {
  wchar_t cls[32];
  GetClassNameW(hwnd, cls, 32);
  if (CompareStringOrdinal(cls, -1, L"Static", -1, TRUE) == CSTR_EQUAL) {
    wchar_t text[512];
    if (GetWindowTextW(hwnd, text, 512) > 0) *reinterpret_cast<std::wstring*>(lp) += text;
  }
  return TRUE;
}

int readMessage(int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (HWND box = FindWindowW(L"#32770", L"信息：")) {
      Sleep(200);  // let the box finish setting up its text
      std::wstring text;
      EnumChildWindows(box, collectText, reinterpret_cast<LPARAM>(&text));
      print(text);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      return 0;
    }
    Sleep(50);
  }
  print(L"no message");
  return 2;
}

DWORD WINAPI showMessage(void*) {
  qelvo::systemMessages().show("已获取鼠标坐标：320,240");
  return 0;
}

int sample(bool message) {
  // The list view's class comes with the common controls library (this helper does not link it).
  using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (HMODULE comctl = LoadLibraryW(L"comctl32.dll")) {
    if (auto init = reinterpret_cast<Init>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))) {
      INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
      init(&icc);
    }
  }
  HWND frame = createFrame(L"皮肤样例", 670, 384);
  if (!frame) return 2;
  ShowWindow(frame, SW_SHOW);
  UpdateWindow(frame);
  if (message) CloseHandle(CreateThread(nullptr, 0, showMessage, nullptr, 0, nullptr));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(frame, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool message = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--attributes") == 0) return attributes();
    if (std::strcmp(argv[i], "--read-message") == 0) return readMessage(i + 1 < argc ? std::atoi(argv[i + 1]) : 10);
    if (std::strcmp(argv[i], "--close-sample") == 0) {
      HWND w = FindWindowW(L"SkinProbeFrame", L"皮肤样例");
      return w && PostMessageW(w, WM_CLOSE, 0, 0) ? 0 : 2;
    }
    if (std::strcmp(argv[i], "--sample") == 0) g_sample = true;
    if (std::strcmp(argv[i], "--no-skin") == 0) g_skin = false;
    if (std::strcmp(argv[i], "--message") == 0) message = true;
  }
  return g_sample ? sample(message) : report();
}
