#include "scriptfiles/script_file_windows_win.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>

#include "platform/gbk_text_win.h"
#include "platform/unique_handle_win.h"
#include "platform/window_object_win.h"
#include "scriptfiles/script_file.h"

namespace qelvo {
namespace {

constexpr std::string_view kScriptFolder = "脚本";

constexpr std::string_view kEnterNameMessage = "请输入要保存的脚本名称";
constexpr std::string_view kEmptyScriptMessage = "当前脚本内容为空，请先编辑脚本然后保存。";
constexpr std::string_view kSavedMessage = "保存成功";
constexpr std::string_view kSaveFailedMessage = "保存失败，请检查脚本名称或文件是否可写。";
constexpr std::string_view kBadNameMessage = "脚本名称不能包含下列字符：\\ / : * ? \" < > |";
constexpr std::string_view kChooseScriptMessage = "请选择要读取的脚本";

enum class Kind { TransparentLabel, EditBox, Button, FileList };

struct ControlSpec {
  int id;
  Kind kind;
  int x, y, width, height;
  std::string_view text;  // GBK
};

struct WindowSpec {
  const wchar_t* className;
  std::string_view title;  // GBK
  int width, height;       // outer size
  std::span<const ControlSpec> controls;
  int defaultButton;       // what Enter presses
  int firstFocus;
};

// Save window: 透明标签1, 编辑框1 (the name box), 按钮1.
enum SaveControl { kSaveLabel = 101, kNameBox, kSaveButton };
constexpr ControlSpec kSaveControls[] = {
    {kSaveLabel, Kind::TransparentLabel, 24, 16, 144, 24, "请输入要保存的脚本名称：\r\n"},
    {kNameBox, Kind::EditBox, 48, 48, 96, 24, ""},
    {kSaveButton, Kind::Button, 168, 48, 64, 24, "保存"},
};
constexpr WindowSpec kSaveWindow = {L"QelvoSaveScriptWindow", "保存脚本", 272, 122, kSaveControls,
                                    kSaveButton, kNameBox};

// Load window: 按钮1, 透明标签1, 文件框1 (the file list).
enum LoadControl { kLoadButton = 201, kLoadLabel, kFileList };
constexpr ControlSpec kLoadControls[] = {
    {kLoadButton, Kind::Button, 264, 24, 88, 32, "读取脚本"},
    {kLoadLabel, Kind::TransparentLabel, 8, 32, 120, 24, "请选择要读取的脚本："},
    {kFileList, Kind::FileList, 136, 16, 112, 48, ""},
};
constexpr WindowSpec kLoadWindow = {L"QelvoLoadScriptWindow", "读入脚本", 380, 114, kLoadControls,
                                    kLoadButton, kFileList};

std::wstring folderPath(std::wstring_view fileName) {
  return widen(kScriptFolder) + L"\\" + std::wstring(fileName);
}

std::wstring listText(HWND list, LRESULT index) {
  const auto i = static_cast<WPARAM>(index);
  std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
  text.resize(static_cast<size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

std::wstring windowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void createControls(HWND window, const WindowSpec& layout) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  for (const ControlSpec& c : layout.controls) {
    const wchar_t* className = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (c.kind) {
      case Kind::TransparentLabel:
        style |= SS_LEFT | SS_NOPREFIX;
        exStyle |= WS_EX_TRANSPARENT;
        break;
      case Kind::EditBox:
        className = L"EDIT";
        style |= WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
        break;
      case Kind::Button:
        className = L"BUTTON";
        style |= WS_TABSTOP | (c.id == layout.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
      case Kind::FileList:
        className = L"LISTBOX";
        style |= WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        break;
    }
    const HWND control = CreateWindowExW(exStyle, className, widen(c.text).c_str(), style, c.x, c.y,
                                         c.width, c.height, window,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                         instance, nullptr);
    SendMessageW(control, WM_SETFONT, font, FALSE);
  }
}

bool endsWithIni(std::wstring_view name) {
  if (name.size() < 4) return false;
  std::wstring tail(name.substr(name.size() - 4));
  for (wchar_t& c : tail) c = static_cast<wchar_t>(towlower(c));
  return tail == L".ini";
}

// Fills the list with the plain names of the files of the script folder that end
// in ".ini": read-only and hidden ones too, never a folder. The pattern also
// matches short 8.3 aliases (a long "a.inix" may have one ending in ".INI"), so
// names that match only that way go again.
void fillFileList(HWND list) {
  const std::wstring pattern = folderPath(L"*.ini");
  SendMessageW(list, LB_DIR, DDL_READWRITE | DDL_READONLY | DDL_HIDDEN | DDL_SYSTEM | DDL_ARCHIVE,
               reinterpret_cast<LPARAM>(pattern.c_str()));
  for (auto i = SendMessageW(list, LB_GETCOUNT, 0, 0) - 1; i >= 0; --i) {
    if (!endsWithIni(listText(list, i))) SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(i), 0);
  }
}

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// Writes the whole content beside the target and then puts it in the target's
// place in one step, so the old file stays whole until the new one is complete.
bool replaceFileContent(const std::wstring& target, std::string_view bytes) {
  const std::wstring folder = widen(kScriptFolder);
  wchar_t temp[MAX_PATH];
  if (GetTempFileNameW(folder.c_str(), L"sav", 0, temp) == 0) return false;
  bool written = false;
  {
    UniqueFileHandle file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    written = file && writeAll(file.get(), bytes) && FlushFileBuffers(file.get());
  }
  if (written) {
    // A read-only script is the user's "do not overwrite".
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool protectedTarget =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (!protectedTarget &&
        MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
  }
  DeleteFileW(temp);
  return false;
}

std::optional<std::string> readWholeFile(const std::wstring& path) {
  UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  // Far beyond any script; refusing it keeps a wrong pick from exhausting memory.
  constexpr LONGLONG kLargestScript = 64LL << 20;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestScript) return std::nullopt;
  std::string bytes;
  bytes.reserve(static_cast<size_t>(size.QuadPart));
  char buffer[64 * 1024];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return std::nullopt;
    if (read == 0) return bytes;
    bytes.append(buffer, read);
  }
}

// What the save and load windows share: the window built from its table, centred
// on the primary screen, and a modal loop that keeps the owner disabled.
class ScriptFileWindow {
 public:
  ScriptFileWindow(const WindowSpec& layout, ScriptList& script, MessageSink& messages)
      : layout_(layout), script_(script), messages_(messages) {}
  ScriptFileWindow(const ScriptFileWindow&) = delete;
  ScriptFileWindow& operator=(const ScriptFileWindow&) = delete;

  void runModal(HWND owner);

 protected:
  ~ScriptFileWindow() = default;
  virtual void onCreated() {}
  virtual void onCommand(int id, int code) = 0;

  HWND control(int id) const { return GetDlgItem(window_, id); }
  void close();

  const WindowSpec& layout_;
  ScriptList& script_;
  MessageSink& messages_;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool registerClass() const;

  HWND window_ = nullptr;
  HWND owner_ = nullptr;
};

bool ScriptFileWindow::registerClass() const {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = layout_.className;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void ScriptFileWindow::runModal(HWND owner) {
  if (!registerClass()) return;
  owner_ = owner;
  constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - layout_.width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - layout_.height) / 2;
  if (owner_) EnableWindow(owner_, FALSE);
  const HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, layout_.className, widen(layout_.title).c_str(),
                                      style, x, y, layout_.width, layout_.height, owner_, nullptr,
                                      GetModuleHandleW(nullptr), this);
  if (window) {
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetFocus(control(layout_.firstFocus));
    MSG msg;
    while (IsWindow(window)) {
      const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got == 0) {
        // The program is ending: leave the loop and let the outer loop see WM_QUIT too.
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (got == -1) break;
      if (!IsDialogMessageW(window, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    if (IsWindow(window)) close();
  }
  if (owner_) EnableWindow(owner_, TRUE);
}

void ScriptFileWindow::close() {
  // The owner comes back first, so activation returns to it and not to another program.
  if (owner_) EnableWindow(owner_, TRUE);
  DestroyWindow(window_);
}

LRESULT CALLBACK ScriptFileWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return objectWindowProc<ScriptFileWindow, &ScriptFileWindow::window_, &ScriptFileWindow::handleMessage>(
      window, message, wParam, lParam);
}

LRESULT ScriptFileWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      createControls(window_, layout_);
      onCreated();
      return 0;
    case WM_CTLCOLORSTATIC: {
      // The labels draw their text straight onto the window's background.
      const HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    case DM_GETDEFID:
      return MAKELRESULT(layout_.defaultButton, DC_HASDEFID);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        close();
      } else {
        onCommand(LOWORD(wParam), HIWORD(wParam));
      }
      return 0;
    case WM_CLOSE:
      close();
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

class SaveScriptWindow final : public ScriptFileWindow {
 public:
  SaveScriptWindow(ScriptList& script, MessageSink& messages)
      : ScriptFileWindow(kSaveWindow, script, messages) {}

 private:
  void onCommand(int id, int code) override {
    if (id == kSaveButton && code == BN_CLICKED) save();
  }
  void save();
};

void SaveScriptWindow::save() {
  const std::wstring name = windowText(control(kNameBox));
  if (name.empty()) {
    messages_.show(kEnterNameMessage);
    return;
  }
  if (!isAcceptableScriptName(name)) {
    messages_.show(kBadNameMessage);
    return;
  }
  if (script_.rowCount() == 0) {
    messages_.show(kEmptyScriptMessage);
    close();
    return;
  }
  CreateDirectoryW(widen(kScriptFolder).c_str(), nullptr);  // an existing folder is fine
  if (!replaceFileContent(folderPath(name + L".ini"), formatScriptFile(script_))) {
    messages_.show(kSaveFailedMessage);
    return;
  }
  messages_.show(kSavedMessage);
  close();
}

class LoadScriptWindow final : public ScriptFileWindow {
 public:
  LoadScriptWindow(ScriptList& script, MessageSink& messages)
      : ScriptFileWindow(kLoadWindow, script, messages) {}

 private:
  void onCreated() override { fillFileList(control(kFileList)); }
  void onCommand(int id, int code) override {
    if ((id == kLoadButton && code == BN_CLICKED) || (id == kFileList && code == LBN_DBLCLK)) load();
  }
  void load();
};

void LoadScriptWindow::load() {
  const HWND list = control(kFileList);
  const auto selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
  std::optional<std::string> bytes;
  if (selected != LB_ERR) bytes = readWholeFile(folderPath(listText(list, selected)));
  if (!bytes) {
    messages_.show(kChooseScriptMessage);
    return;
  }
  loadScriptRows(script_, *bytes);
  close();
}

}  // namespace

void openSaveScriptWindow(HWND owner, ScriptList& script, MessageSink& messages) {
  SaveScriptWindow(script, messages).runModal(owner);
}

void openLoadScriptWindow(HWND owner, ScriptList& script, MessageSink& messages) {
  LoadScriptWindow(script, messages).runModal(owner);
}

}  // namespace qelvo
