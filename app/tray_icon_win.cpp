#include "app/tray_icon_win.h"

#include <cwchar>

#include "app/main_window_controls.h"
#include "platform/gbk_text_win.h"

namespace qelvo {

TrayIcon::TrayIcon(HWND owner, HICON picture, NotifyIconCall notify)
    : owner_(owner),
      picture_(picture),
      notify_(notify),
      taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {}

NOTIFYICONDATAW TrayIcon::record(HICON icon) const {
  // The first form of the record: every shell version accepts it.
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  data.hWnd = owner_;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon;
  wcsncpy(data.szTip, L"Qelvo", 63);
  return data;
}

void TrayIcon::hideWindow() {
  ShowWindow(owner_, SW_HIDE);
  UniqueIcon fresh(CopyIcon(picture_));
  NOTIFYICONDATAW data = record(fresh.get());
  notify_(icon_ ? NIM_MODIFY : NIM_ADD, &data);
  icon_ = std::move(fresh);  // releases the one it replaces
}

void TrayIcon::showWindow() {
  ShowWindow(owner_, SW_SHOW);
  removeIcon();
}

void TrayIcon::removeIcon() {
  if (!icon_) return;
  NOTIFYICONDATAW data = record(icon_.get());
  notify_(NIM_DELETE, &data);
  icon_.reset();
}

void TrayIcon::onTaskbarCreated() {
  if (!icon_) return;
  NOTIFYICONDATAW data = record(icon_.get());
  notify_(NIM_ADD, &data);
}

void TrayIcon::onCallback(LPARAM mouseMessage) {
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONUP:
      showWindow();
      break;
    case WM_LBUTTONDBLCLK:  // the first click's release has already shown the window
      break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
      popUpMenu();
      break;
    default:
      break;
  }
}

void TrayIcon::popUpMenu() {
  UniqueMenu menu(CreatePopupMenu());
  AppendMenuW(menu.get(), MF_STRING, kMenuShowId, widen(kMenuShowText).c_str());
  AppendMenuW(menu.get(), MF_STRING, kMenuExitId, widen(kMenuExitText).c_str());
  POINT at{};
  GetCursorPos(&at);
  // Foreground first and the empty message after: otherwise a click elsewhere
  // would not close the menu.
  SetForegroundWindow(owner_);
  TrackPopupMenu(menu.get(), TPM_RIGHTALIGN, at.x - 5, at.y - 5, 0, owner_, nullptr);
  PostMessageW(owner_, WM_NULL, 0, 0);
}

}  // namespace qelvo
