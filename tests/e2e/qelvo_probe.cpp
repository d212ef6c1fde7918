// Reads and pokes the running Qelvo window from outside, for the end-to-end
// tests (the same wineserver, so window handles are shared). Texts printed
// are UTF-8. Commands:
//   wait [ms]              wait until the main window answers; prints ms waited
//   texts                  one line per control: id, visible, enabled, text (\n for line breaks)
//   rows                   the script list's rows, one per line
//   rect <id>              screen centre of a control: "x y"
//   rowrect <row>          screen centre of a script-list row
//   settext <id> <text>    set a control's text
//   shown                  1 when the main window is visible, else 0
//   message                text of the open message box, exit 1 when none
//   closemessage           press OK on the open message box
//   find <title>           "x y w h" of a top-level window by title, exit 1 when none
//   child <title> <class> <n>   screen centre of the n-th child of that class
//   listitem <title> <item>     screen centre of that item of the window's list box
//   menuitem <n> <count>   screen centre of the n-th of count items of the open pop-up menu
//   trayicon               screen centre of the first notification-area icon
//   post <msg> <wparam> <lparam>  post a message to the main window
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void printUtf8(const std::wstring& w) {
  std::wstring escaped;
  for (wchar_t c : w) {
    if (c == L'\r') continue;
    if (c == L'\n') escaped += L"\\n";
    else escaped += c;
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, escaped.c_str(), static_cast<int>(escaped.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, escaped.c_str(), static_cast<int>(escaped.size()), s.data(), n, nullptr,
                      nullptr);
  fwrite(s.data(), 1, s.size(), stdout);
}

// Wide arguments: the narrow ones arrive in the ANSI code page, not UTF-8.
std::wstring wideArg(int index) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  std::wstring arg = index < count ? args[index] : L"";
  LocalFree(args);
  return arg;
}

HWND mainWindow() { return FindWindowW(L"QelvoMainWindow", nullptr); }

std::wstring textOf(HWND h) {
  wchar_t buffer[4096];
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                           &copied))
    return L"";
  return std::wstring(buffer, copied);
}

void printCentre(const RECT& r) { printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2); }

// List-view messages carry pointers: they need memory in the window's process.
struct Remote {
  HANDLE process = nullptr;
  void* memory = nullptr;
  explicit Remote(HWND h, size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process) memory = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~Remote() {
    if (memory) VirtualFreeEx(process, memory, 0, MEM_RELEASE);
    if (process) CloseHandle(process);
  }
  void write(const void* data, size_t size, size_t offset = 0) {
    WriteProcessMemory(process, static_cast<char*>(memory) + offset, data, size, nullptr);
  }
  void read(void* data, size_t size, size_t offset = 0) {
    ReadProcessMemory(process, static_cast<char*>(memory) + offset, data, size, nullptr);
  }
  char* at(size_t offset) { return static_cast<char*>(memory) + offset; }
};

int listRows(HWND list) {
  auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  Remote remote(list, 8192);
  for (int row = 0; row < count; ++row) {
    LVITEMW item{};
    item.pszText = reinterpret_cast<LPWSTR>(remote.at(sizeof(LVITEMW)));
    item.cchTextMax = 1024;
    remote.write(&item, sizeof item);
    auto length = static_cast<size_t>(SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                                   reinterpret_cast<LPARAM>(remote.memory)));
    std::wstring text(length, L'\0');
    remote.read(text.data(), length * sizeof(wchar_t), sizeof(LVITEMW));
    printUtf8(text);
    printf("\n");
  }
  return 0;
}

int rowRect(HWND list, int row) {
  Remote remote(list, sizeof(RECT));
  RECT r{LVIR_BOUNDS, 0, 0, 0};
  remote.write(&r, sizeof r);
  if (!SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.memory)))
    return 1;
  remote.read(&r, sizeof r);
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  printCentre(r);
  return 0;
}

HWND messageBox() { return FindWindowW(L"#32770", L"信息："); }

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return 2;
  std::string command = argv[1];

  if (command == "wait") {
    DWORD limit = argc > 2 ? static_cast<DWORD>(atoi(argv[2])) : 20000;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < limit) {
      HWND h = mainWindow();
      DWORD_PTR result = 0;
      if (h && SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result)) {
        printf("%lu\n", GetTickCount() - start);
        return 0;
      }
      Sleep(10);
    }
    return 1;
  }
  if (command == "message") {
    HWND box = messageBox();
    if (!box) return 1;
    printUtf8(textOf(GetDlgItem(box, 0xFFFF)));
    printf("\n");
    return 0;
  }
  if (command == "closemessage") {
    HWND box = messageBox();
    if (!box) return 1;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (command == "find" && argc > 2) {
    HWND h = FindWindowW(nullptr, wideArg(2).c_str());
    if (!h) return 1;
    RECT r;
    GetWindowRect(h, &r);
    printf("%ld %ld %ld %ld %d\n", r.left, r.top, r.right - r.left, r.bottom - r.top, IsWindowVisible(h) ? 1 : 0);
    return 0;
  }
  if (command == "child" && argc > 4) {
    HWND h = FindWindowW(nullptr, wideArg(2).c_str());
    if (!h) return 1;
    std::wstring cls = wideArg(3);
    int n = atoi(argv[4]);
    HWND child = nullptr;
    for (int i = 0; i <= n; ++i) {
      child = FindWindowExW(h, child, cls.c_str(), nullptr);
      if (!child) return 1;
    }
    RECT r;
    GetWindowRect(child, &r);
    printCentre(r);
    return 0;
  }

  if (command == "trayicon") {
    // Wine's notification area: the first icon sits at the client area's top left.
    HWND tray = FindWindowW(nullptr, L"Wine System Tray");
    if (!tray) return 1;
    HWND icon = FindWindowExW(tray, nullptr, nullptr, nullptr);
    RECT r;
    if (icon) {
      GetWindowRect(icon, &r);
    } else {
      GetClientRect(tray, &r);
      MapWindowPoints(tray, nullptr, reinterpret_cast<POINT*>(&r), 2);
      r.right = r.left + GetSystemMetrics(SM_CXSMICON) + 4;
      r.bottom = r.top + GetSystemMetrics(SM_CYSMICON) + 4;
    }
    printCentre(r);
    return 0;
  }
  if (command == "menuitem" && argc > 3) {
    // Menus belong to their process: the item is found by dividing the menu
    // window's client area among its (plain, equally high) items.
    HWND menuWindow = FindWindowW(L"#32768", nullptr);
    if (!menuWindow || !IsWindowVisible(menuWindow)) return 1;
    RECT r;
    GetClientRect(menuWindow, &r);
    MapWindowPoints(menuWindow, nullptr, reinterpret_cast<POINT*>(&r), 2);
    int n = atoi(argv[2]);
    int count = atoi(argv[3]);
    LONG height = (r.bottom - r.top) / count;
    printf("%ld %ld\n", (r.left + r.right) / 2, r.top + n * height + height / 2);
    return 0;
  }
  if (command == "listitem" && argc > 3) {
    HWND h = FindWindowW(nullptr, wideArg(2).c_str());
    HWND list = h ? FindWindowExW(h, nullptr, L"ListBox", nullptr) : nullptr;
    if (!list) return 1;
    std::wstring item = wideArg(3);
    // List-box messages are carried across processes by the window system.
    auto index = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(item.c_str()));
    if (index == LB_ERR) return 1;
    RECT r{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
    printCentre(r);
    return 0;
  }

  HWND main = mainWindow();
  if (!main) {
    fprintf(stderr, "probe: no main window\n");
    return 1;
  }
  if (command == "texts") {
    for (int id = 1001; id <= 1036; ++id) {
      HWND h = GetDlgItem(main, id);
      LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
      printf("%d\t%d\t%d\t", id, (style & WS_VISIBLE) ? 1 : 0, (style & WS_DISABLED) ? 0 : 1);
      printUtf8(textOf(h));
      printf("\n");
    }
    return 0;
  }
  if (command == "rows") return listRows(GetDlgItem(main, 1003));
  if (command == "rowrect" && argc > 2) return rowRect(GetDlgItem(main, 1003), atoi(argv[2]));
  if (command == "rect" && argc > 2) {
    RECT r;
    if (!GetWindowRect(GetDlgItem(main, atoi(argv[2])), &r)) return 1;
    printCentre(r);
    return 0;
  }
  if (command == "settext" && argc > 3) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(GetDlgItem(main, atoi(argv[2])), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(wideArg(3).c_str()), SMTO_ABORTIFHUNG, 5000, &result);
    return 0;
  }
  if (command == "shown") {
    printf("%d\n", IsWindowVisible(main) ? 1 : 0);
    return 0;
  }
  if (command == "post" && argc > 4) {
    PostMessageW(main, static_cast<UINT>(strtoul(argv[2], nullptr, 0)), strtoull(argv[3], nullptr, 0),
                 static_cast<LPARAM>(strtoll(argv[4], nullptr, 0)));
    return 0;
  }
  return 2;
}
