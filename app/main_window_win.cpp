#include "app/main_window_win.h"

#include <commctrl.h>

#include <cwchar>
#include <vector>

#include "app/app_resources.h"
#include "platform/gbk_text_win.h"
#include "platform/window_object_win.h"
#include "script/text.h"
#include "hotkeys/hotkeys_win.h"
#include "scriptfiles/script_file_windows_win.h"
#if __has_include("app/skin_loader_win.h")
#define QELVO_HAVE_SKIN_LOADER 1
#include "app/skin_loader_win.h"
#endif
#if __has_include("notices/startup_notices_win.h")
#define QELVO_HAVE_STARTUP_NOTICES 1
#include "notices/startup_notices_win.h"
#endif
#if __has_include("app/hypertext_box_win.h")
#define QELVO_HAVE_HYPERTEXT_BOX 1
#include "app/hypertext_box_win.h"
#endif

namespace qelvo {

namespace {

constexpr wchar_t kWindowClass[] = L"QelvoMainWindow";

std::atomic<MainWindow*> g_hotkeyWindow{nullptr};

// Hotkey callbacks: each firing runs on a fresh thread of its own.
// No exception may leave a thread entry or a window procedure.
DWORD WINAPI onHomeKey(LPVOID) {
  try {
    if (MainWindow* w = g_hotkeyWindow.load()) w->capturePosition();
  } catch (...) {
  }
  return 0;
}

DWORD WINAPI onEndKey(LPVOID) {
  try {
    if (MainWindow* w = g_hotkeyWindow.load()) w->runner().toggleRun();
  } catch (...) {
  }
  return 0;
}

int controlId(Control c) { return static_cast<int>(c); }

Control runControlId(RunControl c) {
  switch (c) {
    case RunControl::RunButton: return Control::Button6;
    case RunControl::KeyBox: return Control::ComboBox1;
    case RunControl::ButtonBox: return Control::ComboBox2;
    case RunControl::DelayBox: return Control::Edit1;
    case RunControl::CoordinateBox: return Control::Edit2;
    case RunControl::RepeatBox: return Control::Edit3;
    case RunControl::InsertTap: return Control::Button1;
    case RunControl::InsertClick: return Control::Button2;
    case RunControl::InsertDelay: return Control::Button3;
    case RunControl::InsertMove: return Control::Button4;
    case RunControl::DeleteButton: return Control::Button5;
    case RunControl::ScriptList: return Control::ListView1;
    case RunControl::StopButton: return Control::Button7;
  }
  return Control::Button6;
}

HICON loadAppIcon(HINSTANCE instance, int size) {
  // Programs without our resources (the tests) get the system's picture.
  auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QELVO), IMAGE_ICON, size,
                                            size, LR_DEFAULTCOLOR | LR_SHARED));
  return icon ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

bool registerWindowClass(HINSTANCE instance, WNDPROC proc, HICON big, HICON small) {
  WNDCLASSEXW cls{};
  if (GetClassInfoExW(instance, kWindowClass, &cls)) return true;
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = proc;
  cls.hInstance = instance;
  cls.hIcon = big;
  cls.hIconSm = small;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  cls.lpszClassName = kWindowClass;
  return RegisterClassExW(&cls) != 0;
}

int CALLBACK noteFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool fontInstalled(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &wanted, noteFont, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}

std::wstring windowText(HWND h) {
  // Through WM_GETTEXT, so that it also works from worker threads.
  auto length = static_cast<int>(SendMessageW(h, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  auto copied = SendMessageW(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

}  // namespace

MainWindow* hotkeyWindow() { return g_hotkeyWindow.load(); }

MainWindow::MainWindow(MainWindowServices services)
    : services_(std::move(services)), runner_(*this, services_.input, services_.messages) {}

MainWindow::~MainWindow() {
  MainWindow* self = this;
  g_hotkeyWindow.compare_exchange_strong(self, nullptr);
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    if (tray_) tray_->removeIcon();
    DestroyWindow(hwnd_);
  }
  if (font_) DeleteObject(font_);
}

HWND MainWindow::create(HINSTANCE instance) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  bigIcon_ = loadAppIcon(instance, GetSystemMetrics(SM_CXICON));
  smallIcon_ = loadAppIcon(instance, GetSystemMetrics(SM_CXSMICON));
  if (!registerWindowClass(instance, windowProc, bigIcon_, smallIcon_)) return nullptr;
  int left = (GetSystemMetrics(SM_CXSCREEN) - kMainWindowWidth) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - kMainWindowHeight) / 2;
  // Fixed frame, close box, no minimise or maximise box: the tray button puts
  // the window away.
  CreateWindowExW(0, kWindowClass, widen(kMainWindowTitle).c_str(),
                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, left, top, kMainWindowWidth,
                  kMainWindowHeight, nullptr, nullptr, instance, this);
  return hwnd_;
}

HWND MainWindow::control(Control id) const { return GetDlgItem(hwnd_, controlId(id)); }

LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return objectWindowProc<MainWindow, &MainWindow::hwnd_, &MainWindow::handleMessage>(hwnd, message, wParam,
                                                                                     lParam);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_COMMAND:
      if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) onCommand(LOWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC: {
      auto id = static_cast<Control>(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      if (controlSpec(id).id == id && controlSpec(id).kind == ControlKind::TransparentLabel) {
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      }
      break;
    }
    case kTrayCallbackMessage:
      if (tray_) tray_->onCallback(lParam);
      return 0;
    case WM_DESTROY:
      endProgram();
      return 0;
    default:
      if (tray_ && message == tray_->taskbarCreatedMessage()) {
        tray_->onTaskbarCreated();
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void MainWindow::onCreate() {
  createControls();
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  tray_ = std::make_unique<TrayIcon>(hwnd_, smallIcon_, services_.notifyIcon);
  runStartupSequence();
}

void MainWindow::createControls() {
  // The layout's widths are measured in a 9-point Chinese font (12 px for a
  // Chinese character, 6 for a blank): the edit boxes sit over runs of blanks.
  // Where that face is missing (Wine), a monospaced one has the same widths.
  const wchar_t* face = fontInstalled(L"宋体") ? L"宋体" : L"WenQuanYi Micro Hei Mono";
  font_ = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
  const ControlSpec& group = controlSpec(Control::GroupBox1);

  for (const ControlSpec& c : kMainWindowControls) {
    int x = c.inGroupBox ? group.x + c.x : c.x;
    int y = c.inGroupBox ? group.y + c.y : c.y;
    int height = c.height;
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (c.kind) {
      case ControlKind::GroupBox:
        cls = L"BUTTON";
        style |= BS_GROUPBOX;
        break;
      case ControlKind::Label:
      case ControlKind::TransparentLabel:
        style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;  // clipped like the design, never wrapped
        break;
      case ControlKind::EditBox:
        cls = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::DropDownList:
        cls = WC_COMBOBOXW;
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        height += 300;  // the dropped list; the closed box keeps the font's height
        break;
      case ControlKind::ListView:
        cls = WC_LISTVIEWW;
        style |= WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::Button:
        cls = L"BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        if (c.id == Control::Button7) style &= ~WS_VISIBLE;  // idle: Stop hidden
        break;
      case ControlKind::HypertextBox:
        break;
    }
    if (x + c.width <= 0) style &= ~WS_TABSTOP;  // the unseen hold row: Tab skips it
    HWND h = nullptr;
#if QELVO_HAVE_HYPERTEXT_BOX
    if (c.kind == ControlKind::HypertextBox) {
      h = createHypertextBox(hwnd_, x, y, c.width, c.height, controlId(c.id));
    }
#endif
    if (!h) {
      h = CreateWindowExW(exStyle, cls, widen(c.text).c_str(), style, x, y, c.width, height, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(c.id))), instance,
                          nullptr);
    }
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }

  for (Control box : {Control::ComboBox1, Control::ComboBox3}) {
    for (std::string_view name : keyListNames()) {
      SendMessageW(control(box), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(name).c_str()));
    }
    SendMessageW(control(box), CB_SETCURSEL, 0, 0);
  }
  for (std::string_view button : {std::string_view("左键"), std::string_view("右键")}) {
    SendMessageW(control(Control::ComboBox2), CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(widen(button).c_str()));
  }
  SendMessageW(control(Control::ComboBox2), CB_SETCURSEL, 0, 0);

  HWND list = control(Control::ListView1);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 200;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
}

void MainWindow::runStartupSequence() {
  g_hotkeyWindow.store(this);
  if (!services_.fullStartup) return;
  // 1. Home copies the pointer position; the first registration starts the poll.
  registerHotkey(onHomeKey, 36);
  // 2. Skin: write the library file if missing and attach the skin.
#if QELVO_HAVE_SKIN_LOADER
  applySkin();
#endif
  // 3. Skin: the aero effect.
#if QELVO_HAVE_SKIN_LOADER
  enableSkinAero();
#endif
  // 4. End starts or stops a run.
  registerHotkey(onEndKey, 35);
  // 5. Update notice (waits for the network, may open a modal window).
#if QELVO_HAVE_STARTUP_NOTICES
  checkForUpdate();
#endif
  // 6. Banner text into the banner box.
#if QELVO_HAVE_STARTUP_NOTICES
  loadBanner(control(Control::HypertextBox1));
#endif
}

void MainWindow::onCommand(int id) {
  switch (static_cast<Control>(id)) {
    case Control::Button1:
      insertLine(*this, buildTapLine(selectedItemText(Control::ComboBox1)));
      return;
    case Control::Button2:
      insertLine(*this, buildClickLine(selectedItemText(Control::ComboBox2)));
      return;
    case Control::Button3:
      insertLine(*this, buildDelayLine(controlText(Control::Edit1)));
      return;
    case Control::Button4:
      if (auto line = buildMoveLine(controlText(Control::Edit2), services_.messages)) {
        insertLine(*this, *line);
      }
      return;
    case Control::Button11:
      appendLine(*this, buildHoldLine(selectedItemText(Control::ComboBox3), controlText(Control::Edit4)));
      return;
    case Control::Button5:
      deleteSelectedLine(*this);
      return;
    case Control::Button6:
      runner_.startRun();
      return;
    case Control::Button7:
      runner_.stopRun();
      return;
    case Control::Button8:
      tray_->hideWindow();
      return;
    case Control::Button9:
      openSaveScriptWindow(hwnd_, *this, services_.messages);
      return;
    case Control::Button10:
      openLoadScriptWindow(hwnd_, *this, services_.messages);
      return;
    default:
      break;
  }
  if (id == kMenuShowId) tray_->showWindow();
  if (id == kMenuExitId) endProgram();
}

void MainWindow::endProgram() {
  if (ending_.exchange(true)) return;
  // A key held down by a hold line must not stay down after we are gone.
  runner_.releaseHeldKey();
  if (tray_) tray_->removeIcon();
  if (services_.endProgram) services_.endProgram();
}

void MainWindow::capturePosition() {
  int32_t x = services_.input.cursorX();
  int32_t y = services_.input.cursorY();
  capturedX_.store(x);
  capturedY_.store(y);
  SetWindowTextW(control(Control::Edit2), widen(decimalText(x) + "," + decimalText(y)).c_str());
  services_.messages.show(kCaptureMessage);
}

std::string MainWindow::controlText(Control id) const { return narrow(windowText(control(id))); }

std::string MainWindow::selectedItemText(Control id) const {
  HWND box = control(id);
  auto index = SendMessageW(box, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return {};
  auto length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return narrow(text);
}

HWND MainWindow::runControl(RunControl c) const { return control(runControlId(c)); }

// RunnerView: all through messages, so any thread may call.

int MainWindow::rowCount() { return static_cast<const MainWindow&>(*this).rowCount(); }

std::string MainWindow::rowText(int row) { return static_cast<const MainWindow&>(*this).rowText(row); }

std::string MainWindow::repeatText() { return controlText(Control::Edit3); }

bool MainWindow::runButtonVisible() {
  // The button's own visibility: a window hidden in the tray still counts as
  // idle when its Run button is not hidden.
  return (GetWindowLongPtrW(runControl(RunControl::RunButton), GWL_STYLE) & WS_VISIBLE) != 0;
}

void MainWindow::setVisible(RunControl c, bool visible) {
  ShowWindow(runControl(c), visible ? SW_SHOW : SW_HIDE);
}

void MainWindow::setEnabled(RunControl c, bool enabled) { EnableWindow(runControl(c), enabled); }

// ScriptList over the list view.

int MainWindow::rowCount() const {
  return static_cast<int>(SendMessageW(control(Control::ListView1), LVM_GETITEMCOUNT, 0, 0));
}

std::string MainWindow::rowText(int row) const {
  HWND list = control(Control::ListView1);
  if (row < 0 || row >= rowCount()) return {};
  std::vector<wchar_t> buffer(256);
  for (;;) {
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    auto length = static_cast<size_t>(
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < buffer.size()) return narrow(std::wstring_view(buffer.data(), length));
    buffer.resize(buffer.size() * 4);
  }
}

int MainWindow::selectedRow() const {
  return static_cast<int>(SendMessageW(control(Control::ListView1), LVM_GETNEXTITEM,
                                       static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void MainWindow::insertRow(int index, std::string_view text) {
  std::wstring wide = widen(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = wide.data();
  SendMessageW(control(Control::ListView1), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void MainWindow::removeRow(int index) {
  SendMessageW(control(Control::ListView1), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

void MainWindow::removeAllRows() { SendMessageW(control(Control::ListView1), LVM_DELETEALLITEMS, 0, 0); }

}  // namespace qelvo
