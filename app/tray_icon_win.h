#pragma once
// Putting the main window away into the notification area and back. One icon
// at most, present only while the window is hidden; UI thread only.
#include <windows.h>
#include <shellapi.h>

#include "platform/unique_handle_win.h"

namespace qelvo {

inline constexpr UINT kTrayCallbackMessage = 0x8064;  // WM_APP + 100
inline constexpr UINT kTrayIconId = 100;

// Shell_NotifyIconW, or a recorder in tests.
using NotifyIconCall = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW data);

class TrayIcon {
 public:
  // `picture` is the window's own icon; the tray shows a copy of it.
  TrayIcon(HWND owner, HICON picture, NotifyIconCall notify = Shell_NotifyIconW);
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // The tray button: hide the window, add the icon (or replace it if one shows).
  void hideWindow();
  // The icon's callback message; `mouseMessage` is its second parameter.
  void onCallback(LPARAM mouseMessage);
  // Event type 1 and "显示   ": show the window, remove the icon.
  void showWindow();
  // Removing when no icon shows does nothing.
  void removeIcon();
  // The shell's notification area was re-created: it forgot our icon.
  void onTaskbarCreated();

  bool iconShown() const { return static_cast<bool>(icon_); }
  UINT taskbarCreatedMessage() const { return taskbarCreated_; }

 private:
  NOTIFYICONDATAW record(HICON icon) const;
  void popUpMenu();

  HWND owner_;
  HICON picture_;
  NotifyIconCall notify_;
  UniqueIcon icon_;  // the icon the notification area shows, or none
  UINT taskbarCreated_;
};

}  // namespace qelvo
