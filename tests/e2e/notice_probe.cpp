// A stand-in for the main window's start-up, for the end-to-end notice tests:
// a 670 x 384 window with the banner box at 8, 306 (390 x 42) whose created
// event runs the update check and then the banner read, synchronously, exactly
// as the start-up sequence does. It writes what happened to a log (UTF-8).
//
// notice_probe [--update URL] [--banner URL] [--log FILE] [--close-after MS]
//   without --update / --banner it uses the addresses compiled into the build.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/hypertext_box_win.h"
#include "notices/notice_addresses.h"
#include "notices/startup_notices_win.h"
#include "platform/gbk_text_win.h"

namespace {

std::string updateUrl = qelvo::kUpdatePageUrl;
std::string bannerUrl = qelvo::kBannerPageUrl;
std::wstring logPath;
int closeAfterMs = 0;
DWORD startTick = 0;
bool noticeSeen = false;
bool disabledWhileNotice = false;
bool enabledWhileNotice = false;

void logLine(const std::string& utf8Line) {
  if (logPath.empty()) return;
  FILE* f = _wfopen(logPath.c_str(), L"ab");
  if (!f) return;
  std::fwrite(utf8Line.data(), 1, utf8Line.size(), f);
  std::fputc('\n', f);
  std::fclose(f);
}

std::string utf8Of(std::wstring_view w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string ms() { return std::to_string(GetTickCount() - startTick); }

LRESULT CALLBACK probeProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE: {
      HWND box = qelvo::createHypertextBox(w, 8, 306, 390, 42, 100);
      // Watches, from inside the notice's message loop, whether this window waits.
      SetTimer(w, 1, 50, nullptr);
      logLine("step5-start-ms=" + ms());
      const bool shown = qelvo::checkForUpdateAt(updateUrl);
      logLine("update-notice=" + std::to_string(shown ? 1 : 0) + " step5-end-ms=" + ms());
      qelvo::loadBannerFrom(box, bannerUrl);
      std::string banner;
      for (const qelvo::HypertextPiece& p : qelvo::hypertextLayout(box)) banner += p.text;
      logLine("banner=[" + utf8Of(qelvo::widen(banner)) + "] step6-end-ms=" + ms());
      KillTimer(w, 1);
      logLine("waited=" + std::string(noticeSeen ? "notice-seen" : "no-notice") +
              " disabled-while-notice=" + (disabledWhileNotice ? "1" : "0") +
              " enabled-while-notice=" + (enabledWhileNotice ? "1" : "0"));
      return 0;
    }
    case WM_TIMER:
      if (wp == 1 && FindWindowW(L"QelvoUpdateNotice", nullptr)) {
        noticeSeen = true;
        (IsWindowEnabled(w) ? enabledWhileNotice : disabledWhileNotice) = true;
      } else if (wp == 2) {
        PostMessageW(w, WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(w, msg, wp, lp);
  }
}

}  // namespace

int main(int argc, char** argv) {
  startTick = GetTickCount();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--update") updateUrl = argv[i + 1];
    else if (flag == "--banner") bannerUrl = argv[i + 1];
    else if (flag == "--log") logPath = qelvo::widen(argv[i + 1]);
    else if (flag == "--close-after") closeAfterMs = std::atoi(argv[i + 1]);
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = probeProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"QelvoNoticeProbe";
  RegisterClassExW(&wc);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - 670) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - 384) / 2;
  HWND w = CreateWindowExW(0, wc.lpszClassName, L"Qelvo notice probe", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                           x, y, 670, 384, nullptr, nullptr, wc.hInstance, nullptr);
  if (!w) return 1;
  ShowWindow(w, SW_SHOWNORMAL);
  UpdateWindow(w);
  logLine("ready-ms=" + ms());
  if (closeAfterMs > 0) SetTimer(w, 2, static_cast<UINT>(closeAfterMs), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  logLine("closed");
  return 0;
}
