// SkinH_EL.dll: attaches a skin to every window of the process.
//
// A thread-specific CBT hook on every thread (installed at attach for the threads
// that exist, and at thread attach for later ones) subclasses each new window of a
// kind we know at HCBT_CREATEWND; windows that already exist on the attaching
// thread are subclassed at the call. Containers answer their children's colour
// requests and draw our push buttons; controls take the skin's font and frames.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdlib>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "skinlib/skin_format.h"
#include "skinlib/skin_paint_win.h"

namespace {

using qelvo::skin::Theme;

HMODULE g_module = nullptr;
std::atomic<const Theme*> g_theme{nullptr};
std::atomic<bool> g_aero{false};

CRITICAL_SECTION g_hooksLock;
std::vector<std::pair<DWORD, HHOOK>>* g_hooks = nullptr;  // guarded by g_hooksLock

constexpr UINT_PTR kSubclassId = 0x51534B31;

enum class Role : unsigned char {
  frame,          // top-level window of the program's own classes
  dialog,         // #32770: dialogs and message boxes
  drawItemHost,   // some other parent of one of our push buttons
  pushButton,
  groupBox,
  plainControl,   // labels, check boxes, radio buttons, editable combo boxes: font only
  dropDownList,
  edit,
  listBox,
  listView,
  dropList,       // the open list of a drop-down (a pop-up of the system's)
};

struct WindowState {
  Role role;
  bool hot = false;
  bool isDefault = false;
};

bool isContainer(Role r) { return r == Role::frame || r == Role::dialog || r == Role::groupBox; }
bool takesSkinFont(Role r) { return r != Role::frame && r != Role::dialog && r != Role::drawItemHost; }

LRESULT CALLBACK skinProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;

// Marks our windows, so a parent can tell our push buttons and lists from others.
constexpr wchar_t kStateProperty[] = L"QelvoSkinWindow";

WindowState* stateOf(HWND hwnd) {
  return hwnd ? static_cast<WindowState*>(GetPropW(hwnd, kStateProperty)) : nullptr;
}

bool sameName(const wchar_t* a, const wchar_t* b) { return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL; }

// What we do with a window, decided from its class and style; false to leave it.
bool classify(HWND hwnd, LONG_PTR style, Role& role) {
  wchar_t buffer[96];
  if (!GetClassNameW(hwnd, buffer, 96)) return false;
  const wchar_t* name = buffer;
  for (const wchar_t* p = buffer; *p; ++p)  // versioned class names: "6.0.x.y!Button"
    if (*p == L'!') name = p + 1;

  if (sameName(name, L"#32770")) {
    role = Role::dialog;
    return true;
  }
  if (sameName(name, L"ComboLBox")) {
    role = Role::dropList;
    return true;
  }
  if ((style & WS_CHILD) == 0) {
    // Only the program's own windows: tooltips, menus, IME and system windows keep their look.
    const auto owner = reinterpret_cast<HMODULE>(GetClassLongPtrW(hwnd, GCLP_HMODULE));
    if (owner == nullptr || owner != GetModuleHandleW(nullptr)) return false;
    role = Role::frame;
    return true;
  }
  if (sameName(name, L"Button")) {
    const LONG_PTR type = style & BS_TYPEMASK;
    if ((type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) && (style & (BS_ICON | BS_BITMAP)) == 0) {
      role = Role::pushButton;
    } else if (type == BS_GROUPBOX) {
      role = Role::groupBox;
    } else if (type == BS_OWNERDRAW || type == BS_USERBUTTON) {
      return false;
    } else {
      role = Role::plainControl;
    }
    return true;
  }
  if (sameName(name, L"Static")) {
    role = Role::plainControl;
    return true;
  }
  if (sameName(name, L"Edit")) {
    role = Role::edit;
    return true;
  }
  if (sameName(name, L"ComboBox")) {
    const bool dropDownList = (style & 3) == CBS_DROPDOWNLIST && (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) == 0;
    role = dropDownList ? Role::dropDownList : Role::plainControl;
    return true;
  }
  if (sameName(name, L"ListBox")) {
    role = Role::listBox;
    return true;
  }
  if (sameName(name, WC_LISTVIEWW)) {
    role = Role::listView;
    return true;
  }
  return false;
}

bool subclass(HWND hwnd, Role role) {
  if (stateOf(hwnd)) return false;
  auto* state = new (std::nothrow) WindowState{role};
  if (!state) return false;
  if (!SetPropW(hwnd, kStateProperty, state)) {
    delete state;
    return false;
  }
  if (!SetWindowSubclass(hwnd, skinProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
    RemovePropW(hwnd, kStateProperty);
    delete state;
    return false;
  }
  return true;
}

void unsubclass(HWND hwnd, WindowState* state) {
  RemoveWindowSubclass(hwnd, skinProc, kSubclassId);
  RemovePropW(hwnd, kStateProperty);
  delete state;
}

bool onThisThread(HWND hwnd) { return GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId(); }

// The skin's look for a window that now exists: fonts, owner-drawn buttons, list colours.
void finishWindow(const Theme& theme, HWND hwnd, WindowState& state) {
  if (takesSkinFont(state.role)) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(theme.font), FALSE);
  switch (state.role) {
    case Role::pushButton: {
      HWND parent = GetParent(hwnd);
      // Our buttons are drawn where the system sends their drawing: the parent.
      if (!parent || !onThisThread(parent)) {
        unsubclass(hwnd, &state);
        return;
      }
      if (!stateOf(parent)) subclass(parent, Role::drawItemHost);
      const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
      state.isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      SetWindowLongPtrW(hwnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
      break;
    }
    case Role::listView:
      SendMessageW(hwnd, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(theme.skin.listBackground));
      SendMessageW(hwnd, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(theme.skin.listBackground));
      SendMessageW(hwnd, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(theme.skin.listText));
      break;
    default:
      break;
  }
}

HFONT skinFontFor(const Theme& theme, WPARAM requested) {
  LOGFONTW lf{};
  if (requested && GetObjectW(reinterpret_cast<HGDIOBJ>(requested), sizeof lf, &lf) == sizeof lf &&
      lf.lfWeight >= FW_SEMIBOLD)
    return theme.boldFont;
  return theme.font;
}

bool isSystemDefaultBrush(HBRUSH b) {
  return b == nullptr || b == GetSysColorBrush(COLOR_3DFACE) || b == GetSysColorBrush(COLOR_WINDOW);
}

// A child asks its parent how to paint. The parent's own answer wins unless it is
// the system default; then the skin answers.
LRESULT controlColour(const Theme& theme, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  HDC dc = reinterpret_cast<HDC>(wp);
  const COLORREF before = GetTextColor(dc);
  const LRESULT answer = DefSubclassProc(hwnd, msg, wp, lp);
  const auto& s = theme.skin;
  COLORREF text = s.windowText, back = s.windowBackground;
  HBRUSH brush = theme.windowBrush;
  switch (msg) {
    case WM_CTLCOLOREDIT:
      text = s.editText, back = s.editBackground, brush = theme.editBrush;
      break;
    case WM_CTLCOLORLISTBOX:
      text = s.listText, back = s.listBackground, brush = theme.listBrush;
      break;
    case WM_CTLCOLORSCROLLBAR:
      return answer;
    default:
      break;
  }
  if (isSystemDefaultBrush(reinterpret_cast<HBRUSH>(answer))) {
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    return reinterpret_cast<LRESULT>(brush);
  }
  if (GetTextColor(dc) == before) SetTextColor(dc, text);
  return answer;
}

LRESULT listCustomDraw(const Theme& theme, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(lp);
  const LRESULT answer = DefSubclassProc(hwnd, msg, wp, lp);
  if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return (answer & CDRF_SKIPDEFAULT) ? answer : answer | CDRF_NOTIFYITEMDRAW;
  if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && (answer & CDRF_SKIPDEFAULT) == 0) {
    const auto item = static_cast<WPARAM>(cd->nmcd.dwItemSpec);
    if (SendMessageW(cd->nmcd.hdr.hwndFrom, LVM_GETITEMSTATE, item, LVIS_SELECTED) & LVIS_SELECTED) {
      cd->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
      cd->clrText = theme.skin.listSelectionText;
      cd->clrTextBk = theme.skin.listSelection;
    }
  }
  return answer;
}

void repaint(HWND hwnd) { InvalidateRect(hwnd, nullptr, TRUE); }

LRESULT handle(const Theme& theme, WindowState& state, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const Role role = state.role;
  switch (msg) {
    case WM_CREATE: {
      const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      if (r != -1) finishWindow(theme, hwnd, state);  // may end our subclass: state is gone then
      return r;
    }
    case WM_SETFONT:
      if (takesSkinFont(role)) wp = reinterpret_cast<WPARAM>(skinFontFor(theme, wp));
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
      if (isContainer(role)) return controlColour(theme, hwnd, msg, wp, lp);
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item && item->CtlType == ODT_BUTTON) {
        WindowState* button = stateOf(item->hwndItem);
        if (button && button->role == Role::pushButton) {
          qelvo::skin::drawPushButton(theme, *item, {button->hot, button->isDefault});
          return TRUE;
        }
      }
      break;
    }
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
      if (isContainer(role) && hdr && hdr->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        WindowState* list = stateOf(hdr->hwndFrom);
        if (list && list->role == Role::listView) return listCustomDraw(theme, hwnd, msg, wp, lp);
      }
      break;
    }
    case WM_ERASEBKGND:
      if (role == Role::frame) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, theme.windowBrush);
        return 1;
      }
      if (role == Role::groupBox) {
        // A parent that clips its children leaves the inside to us; otherwise it is the parent's.
        HWND parent = GetParent(hwnd);
        if (parent && (GetWindowLongPtrW(parent, GWL_STYLE) & WS_CLIPCHILDREN)) {
          RECT rc;
          GetClientRect(hwnd, &rc);
          FillRect(reinterpret_cast<HDC>(wp), &rc, theme.windowBrush);
        }
        return 1;
      }
      if (role == Role::pushButton || role == Role::dropDownList) return 1;
      break;
    default:
      break;
  }

  switch (role) {
    case Role::pushButton:
      switch (msg) {
        case BM_SETSTYLE:  // the dialog manager moves the default mark this way
          state.isDefault = (wp & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
          wp = (wp & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
          return DefSubclassProc(hwnd, msg, wp, lp);
        case WM_GETDLGCODE:
          return DLGC_BUTTON | (state.isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case WM_MOUSEMOVE:
          if (!state.hot) {
            state.hot = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
            TrackMouseEvent(&track);
            InvalidateRect(hwnd, nullptr, FALSE);
          }
          break;
        case WM_MOUSELEAVE:
          state.hot = false;
          InvalidateRect(hwnd, nullptr, FALSE);
          break;
        default:
          break;
      }
      break;
    case Role::groupBox:
      switch (msg) {
        case WM_PAINT: {
          PAINTSTRUCT ps;
          HDC dc = BeginPaint(hwnd, &ps);
          if (dc) qelvo::skin::paintGroupBox(theme, hwnd, dc);
          EndPaint(hwnd, &ps);
          return 0;
        }
        case WM_PRINTCLIENT:
          qelvo::skin::paintGroupBox(theme, hwnd, reinterpret_cast<HDC>(wp));
          return 0;
        case WM_SETTEXT:
        case WM_ENABLE:
        case WM_UPDATEUISTATE: {  // the class may paint these directly: paint ours over
          const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
          repaint(hwnd);
          return r;
        }
        default:
          break;
      }
      break;
    case Role::dropDownList:
      switch (msg) {
        case WM_PAINT: {
          PAINTSTRUCT ps;
          HDC dc = BeginPaint(hwnd, &ps);
          if (dc) qelvo::skin::paintDropDownList(theme, hwnd, dc);
          EndPaint(hwnd, &ps);
          return 0;
        }
        case WM_PRINTCLIENT:
          qelvo::skin::paintDropDownList(theme, hwnd, reinterpret_cast<HDC>(wp));
          return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEWHEEL:
        case WM_COMMAND:
        case CB_SETCURSEL:
        case CB_SELECTSTRING:
        case CB_RESETCONTENT:
        case CB_SHOWDROPDOWN:
        case WM_SETTEXT: {
          const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
          InvalidateRect(hwnd, nullptr, FALSE);
          return r;
        }
        default:
          break;
      }
      break;
    case Role::dropList:
      if (msg == WM_NCPAINT) {
        const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        qelvo::skin::paintFlatFrame(theme, hwnd, true);
        return r;
      }
      break;
    case Role::edit:
    case Role::listBox:
    case Role::listView:
      switch (msg) {
        case WM_NCPAINT:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE: {
          const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
          const bool focused = msg == WM_SETFOCUS || (msg != WM_KILLFOCUS && GetFocus() == hwnd);
          qelvo::skin::paintFlatFrame(theme, hwnd, focused && role == Role::edit);
          return r;
        }
        default:
          break;
      }
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK skinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) noexcept {
  auto* state = reinterpret_cast<WindowState*>(ref);
  if (msg == WM_NCDESTROY) {
    unsubclass(hwnd, state);
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  const Theme* theme = g_theme.load(std::memory_order_acquire);
  if (!theme || !state) return DefSubclassProc(hwnd, msg, wp, lp);
  try {
    return handle(*theme, *state, hwnd, msg, wp, lp);
  } catch (...) {
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK cbtProc(int code, WPARAM wp, LPARAM lp) noexcept {
  if (code == HCBT_CREATEWND && g_theme.load(std::memory_order_acquire)) {
    try {
      const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lp);
      const auto hwnd = reinterpret_cast<HWND>(wp);
      Role role;
      if (create && create->lpcs && create->lpcs->hwndParent != HWND_MESSAGE &&
          classify(hwnd, create->lpcs->style, role))
        subclass(hwnd, role);
    } catch (...) {
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

void hookThread(DWORD thread) {
  EnterCriticalSection(&g_hooksLock);
  try {
    if (!g_hooks) g_hooks = new std::vector<std::pair<DWORD, HHOOK>>();
    bool known = false;
    for (const auto& h : *g_hooks) known = known || h.first == thread;
    if (!known) {
      if (HHOOK hook = SetWindowsHookExW(WH_CBT, cbtProc, nullptr, thread)) g_hooks->emplace_back(thread, hook);
    }
  } catch (...) {
  }
  LeaveCriticalSection(&g_hooksLock);
}

void unhookThread(DWORD thread) {
  EnterCriticalSection(&g_hooksLock);
  if (g_hooks) {
    for (auto it = g_hooks->begin(); it != g_hooks->end(); ++it) {
      if (it->first == thread) {
        UnhookWindowsHookEx(it->second);
        g_hooks->erase(it);
        break;
      }
    }
  }
  LeaveCriticalSection(&g_hooksLock);
}

void hookExistingThreads() {
  hookThread(GetCurrentThreadId());
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  const DWORD process = GetCurrentProcessId();
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == process) hookThread(entry.th32ThreadID);
    entry.dwSize = sizeof entry;
  }
  CloseHandle(snapshot);
}

// Windows that already exist on this thread (the attach usually runs while the
// main window is being created) get the skin now.
BOOL CALLBACK skinExistingChild(HWND hwnd, LPARAM lp) {
  const auto* theme = reinterpret_cast<const Theme*>(lp);
  Role role;
  if (onThisThread(hwnd) && classify(hwnd, GetWindowLongPtrW(hwnd, GWL_STYLE), role) && subclass(hwnd, role)) {
    if (WindowState* state = stateOf(hwnd)) finishWindow(*theme, hwnd, *state);
  }
  return TRUE;
}

BOOL CALLBACK skinExistingTopLevel(HWND hwnd, LPARAM lp) {
  skinExistingChild(hwnd, lp);
  EnumChildWindows(hwnd, skinExistingChild, lp);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  return TRUE;
}

}  // namespace

extern "C" {

// Parses and copies the skin now; returns 1 when it was taken, 0 when rejected
// (then nothing changes). The text and the three numbers are accepted and unused.
__declspec(dllexport) std::int32_t WINAPI SkinH_AttachRes(const unsigned char* skin, std::int32_t size, const char*,
                                                          std::int32_t, std::int32_t, std::int32_t) noexcept {
  try {
    if (!skin || size <= 0) return 0;
    auto parsed = qelvo::skin::parseSkin(skin, static_cast<std::size_t>(size));
    if (!parsed) return 0;
    Theme* theme = qelvo::skin::createTheme(*parsed);
    if (!theme) return 0;
    // Subclassed windows point into this module from now on: it must stay loaded.
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&g_theme), &pinned);
    // An earlier theme stays alive: another thread may be painting with it.
    g_theme.store(theme, std::memory_order_release);
    hookExistingThreads();
    EnumThreadWindows(GetCurrentThreadId(), skinExistingTopLevel, reinterpret_cast<LPARAM>(theme));
    return 1;
  } catch (...) {
    return 0;
  }
}

// Kept for callers that switch it on; the skin looks the same either way.
__declspec(dllexport) std::int32_t WINAPI SkinH_SetAero(std::int32_t on) noexcept {
  g_aero.store(on != 0);
  return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      g_module = instance;
      InitializeCriticalSection(&g_hooksLock);
      break;
    case DLL_THREAD_ATTACH:
      if (g_theme.load(std::memory_order_acquire)) hookThread(GetCurrentThreadId());
      break;
    case DLL_THREAD_DETACH:
      unhookThread(GetCurrentThreadId());
      break;
    case DLL_PROCESS_DETACH:
      // Only reached without an attach (the module is pinned by one), or at process end.
      if (reserved == nullptr && g_hooks) {
        for (const auto& h : *g_hooks) UnhookWindowsHookEx(h.second);
        g_hooks->clear();
      }
      break;
    default:
      break;
  }
  return TRUE;
}

}  // extern "C"

// Nothing escapes this library, so the verbose terminate handler (which drags the
// whole C++ demangler into the image) is never of use: a plain abort does.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
