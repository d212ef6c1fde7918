#include "notices/update_notice_window_win.h"

#include <windows.h>

#include <string>
#include <vector>

#include "app/hypertext_box_win.h"
#include "platform/gbk_text_win.h"
#include "platform/unique_handle_win.h"

namespace qelvo {
namespace {

constexpr wchar_t kClassName[] = L"QelvoUpdateNotice";
constexpr int kWidth = 231;
constexpr int kHeight = 112;
constexpr int kLabelId = 1;  // 标签1
constexpr int kLinkId = 2;   // 超级链接框2

struct NoticeState {
  std::vector<HWND> disabled;  // the thread's windows this notice disabled
  bool closed = false;

  void enableOthers() {
    for (HWND w : disabled)
      if (IsWindow(w)) EnableWindow(w, TRUE);
    disabled.clear();
  }
};

std::string escapeMarkup(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

LRESULT CALLBACK noticeProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  auto* st = reinterpret_cast<NoticeState*>(GetWindowLongPtrW(w, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(w, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      break;
    case WM_COMMAND:
      if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK) {
        PostMessageW(w, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_CLOSE:
      // The others come back before this one goes, so activation returns to them.
      if (st) st->enableOthers();
      DestroyWindow(w);
      return 0;
    case WM_DESTROY:
      if (st) st->closed = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

void registerClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = noticeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

UniqueGdiObject messageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return {};
  return UniqueGdiObject(CreateFontIndirectW(&metrics.lfMessageFont));
}

BOOL CALLBACK collectEnabled(HWND w, LPARAM lp) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
  if (IsWindowEnabled(w)) list->push_back(w);
  return TRUE;
}

}  // namespace

void showUpdateNotice(std::string_view gbkSiteName, std::string_view downloadUrl) {
  registerClass();
  NoticeState state;
  // Every window of this thread, the main window among them, waits for the notice.
  EnumThreadWindows(GetCurrentThreadId(), collectEnabled, reinterpret_cast<LPARAM>(&state.disabled));

  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND notice = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClassName, L"更新提示：",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, x, y, kWidth, kHeight, nullptr,
                                nullptr, GetModuleHandleW(nullptr), &state);
  if (!notice) return;
  UniqueGdiObject font = messageFont();

  const std::string label = std::string("  Qelvo有新版本，如需更新请访问") + std::string(gbkSiteName) +
                            "搜索“Qelvo”、或者直接点击以下地址下载新版本Qelvo。";
  HWND labelWnd = CreateWindowExW(0, L"STATIC", widen(label).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 8,
                                  224, 40, notice, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)),
                                  GetModuleHandleW(nullptr), nullptr);
  if (labelWnd && font) SendMessageW(labelWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  HWND link = createHypertextBox(notice, 0, 48, 224, 32, kLinkId);
  const std::string url = escapeMarkup(downloadUrl);
  if (link) setHypertextContent(link, "<a href=\"" + url + "\">" + url + "</a>");

  for (HWND w : state.disabled) EnableWindow(w, FALSE);
  ShowWindow(notice, SW_SHOWNORMAL);
  SetForegroundWindow(notice);

  MSG msg;
  while (!state.closed) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit to the outer loop
      break;
    }
    if (got == -1) break;
    if (!IsDialogMessageW(notice, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  state.enableOthers();
  if (IsWindow(notice)) DestroyWindow(notice);
}

}  // namespace qelvo
