#pragma once
// The simple hypertext box: our own control that draws a small, safe subset of
// HTML-like markup (see notices/hypertext_markup.h). It runs no script, loads
// nothing, and opens only http and https links, only when clicked.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qelvo {

HWND createHypertextBox(HWND parent, int x, int y, int width, int height, int id);

// Replaces the whole content with the given GBK markup and redraws. The box's
// window text (WM_GETTEXT) is then the shown text, line breaks as CR LF.
void setHypertextContent(HWND box, std::string_view gbkMarkup);

// One laid-out piece of text as the box draws it, in client coordinates.
struct HypertextPiece {
  RECT rect;
  std::string text;  // GBK
  bool bold;
  bool italic;
  bool underline;
  COLORREF color;
  int pixelHeight;
  std::string href;  // empty outside links
};

// What the box currently draws, piece by piece (for tests and diagnostics).
std::vector<HypertextPiece> hypertextLayout(HWND box);

// Replaces the way a clicked web link is opened (ShellExecuteW "open" by
// default); returns the previous opener. Only http/https links ever reach it.
using HypertextLinkOpener = std::function<void(const std::wstring& url)>;
HypertextLinkOpener setHypertextLinkOpener(HypertextLinkOpener opener);

}  // namespace qelvo
