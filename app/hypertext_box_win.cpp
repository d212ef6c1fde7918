#include "app/hypertext_box_win.h"

#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <utility>

#include "notices/hypertext_markup.h"
#include "platform/gbk_text_win.h"
#include "platform/unique_handle_win.h"

namespace qelvo {
namespace {

constexpr wchar_t kClassName[] = L"QelvoHypertextBox";
constexpr COLORREF kLinkColor = RGB(0, 0, 238);
// Pixel heights for <font size=1..7>; 3 is the dialog text size.
constexpr std::array<int, 7> kSizePixels{10, 11, 12, 14, 18, 24, 32};

struct FontKey {
  int size;
  bool bold, italic, underline;
  friend bool operator==(const FontKey&, const FontKey&) = default;
};

struct Laid {
  RECT rect;
  std::wstring text;
  size_t run;  // index into runs
  int ascent;
};

struct BoxState {
  std::vector<HypertextRun> runs;
  std::wstring plainText;  // what the box shows, for WM_GETTEXT
  std::vector<Laid> laid;
  bool dirty = true;
  int laidWidth = -1;
  int laidHeight = -1;
  std::string pressedHref;
  bool pressed = false;
  std::vector<std::pair<FontKey, UniqueGdiObject>> fonts;

  HFONT font(const FontKey& key) {
    for (auto& [k, f] : fonts)
      if (k == key) return static_cast<HFONT>(f.get());
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW lf{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
      lf = metrics.lfMessageFont;
    else
      GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = -kSizePixels[static_cast<size_t>(std::clamp(key.size, 1, 7) - 1)];
    lf.lfWidth = 0;
    lf.lfWeight = key.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = key.italic;
    lf.lfUnderline = key.underline;
    fonts.emplace_back(key, UniqueGdiObject(CreateFontIndirectW(&lf)));
    return static_cast<HFONT>(fonts.back().second.get());
  }
};

FontKey fontKeyOf(const HypertextRun& run) {
  return {run.style.size, run.style.bold, run.style.italic, run.style.underline || !run.href.empty()};
}

HypertextLinkOpener& linkOpener() {
  static HypertextLinkOpener opener = [](const std::wstring& url) {
    // The shell may hand the address to a COM handler: give it an apartment.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (SUCCEEDED(hr)) CoUninitialize();
  };
  return opener;
}

BoxState* stateOf(HWND box) { return reinterpret_cast<BoxState*>(GetWindowLongPtrW(box, GWLP_USERDATA)); }

bool isAsciiWordChar(wchar_t c) { return c > L' ' && c < 0x80; }

// Greedy line filling: Chinese characters break anywhere, ASCII words at blanks,
// and a word wider than the box is broken between its characters.
class Layout {
 public:
  Layout(BoxState& st, HDC dc, int width, int height)
      : st_(st), dc_(dc), width_(std::max(width, 1)), height_(height) {}

  // Lines below the box are never laid out: the box does not scroll, and a
  // huge page costs no more than what fits.
  void run() {
    st_.laid.clear();
    for (size_t r = 0; r < st_.runs.size() && y_ < height_; ++r) {
      const HypertextRun& run = st_.runs[r];
      SelectObject(dc_, st_.font(fontKeyOf(run)));
      TEXTMETRICW tm{};
      GetTextMetricsW(dc_, &tm);
      if (run.lineBreak) {
        noteHeight(tm);
        newLine();
        continue;
      }
      const std::wstring text = widen(run.text);
      for (size_t i = 0; i < text.size() && y_ < height_;) {
        size_t j = i + 1;
        if (isAsciiWordChar(text[i]))
          while (j < text.size() && isAsciiWordChar(text[j])) ++j;
        place(r, tm, std::wstring_view(text).substr(i, j - i));
        i = j;
      }
    }
    finishLine();
  }

 private:
  int widthOf(std::wstring_view s) {
    SIZE size{};
    GetTextExtentPoint32W(dc_, s.data(), static_cast<int>(s.size()), &size);
    return size.cx;
  }

  void place(size_t r, const TEXTMETRICW& tm, std::wstring_view atom) {
    int w = widthOf(atom);
    if (x_ + w > width_ && x_ > 0) {
      if (atom == L" ") return;  // a blank at a wrap disappears
      newLine();
    }
    if (w > width_ && atom.size() > 1) {
      for (size_t k = 0; k < atom.size() && y_ < height_; ++k) place(r, tm, atom.substr(k, 1));
      return;
    }
    noteHeight(tm);
    if (!line_.empty() && line_.back().run == r && line_.back().rect.right == x_) {
      line_.back().text += atom;
      line_.back().rect.right += w;
    } else {
      line_.push_back(Laid{RECT{x_, 0, x_ + w, static_cast<LONG>(tm.tmHeight)}, std::wstring(atom), r,
                           static_cast<int>(tm.tmAscent)});
    }
    x_ += w;
  }

  void noteHeight(const TEXTMETRICW& tm) {
    ascent_ = std::max(ascent_, static_cast<int>(tm.tmAscent));
    descent_ = std::max(descent_, static_cast<int>(tm.tmDescent));
  }

  void finishLine() {
    if (y_ >= height_) line_.clear();
    for (Laid& piece : line_) {
      const LONG h = piece.rect.bottom;
      piece.rect.top = y_ + ascent_ - piece.ascent;
      piece.rect.bottom = piece.rect.top + h;
      st_.laid.push_back(std::move(piece));
    }
    line_.clear();
  }

  void newLine() {
    finishLine();
    y_ += ascent_ + descent_;
    ascent_ = descent_ = 0;
    x_ = 0;
  }

  BoxState& st_;
  HDC dc_;
  int width_;
  int height_;
  int x_ = 0;
  int y_ = 0;
  int ascent_ = 0;
  int descent_ = 0;
  std::vector<Laid> line_;
};

void ensureLayout(HWND box, BoxState& st) {
  RECT client{};
  GetClientRect(box, &client);
  const int width = client.right - client.left;
  if (!st.dirty && st.laidWidth == width && st.laidHeight == client.bottom) return;
  HDC dc = GetDC(box);
  const int saved = SaveDC(dc);
  Layout(st, dc, width, client.bottom).run();
  RestoreDC(dc, saved);
  ReleaseDC(box, dc);
  st.dirty = false;
  st.laidWidth = width;
  st.laidHeight = client.bottom;
}

const Laid* pieceAt(BoxState& st, POINT p) {
  for (const Laid& piece : st.laid)
    if (PtInRect(&piece.rect, p)) return &piece;
  return nullptr;
}

const std::string* linkAt(HWND box, BoxState& st, LPARAM lp) {
  ensureLayout(box, st);
  const POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  const Laid* piece = pieceAt(st, p);
  if (!piece || st.runs[piece->run].href.empty()) return nullptr;
  return &st.runs[piece->run].href;
}

COLORREF colorOf(const HypertextRun& run, COLORREF plain) {
  if (run.style.hasColor) {
    const uint32_t c = run.style.color;
    return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
  }
  return run.href.empty() ? plain : kLinkColor;
}

void paint(HWND box, BoxState& st, HDC target) {
  ensureLayout(box, st);
  RECT client{};
  GetClientRect(box, &client);
  // Drawn off screen first so a redraw never flickers.
  HDC dc = CreateCompatibleDC(target);
  UniqueGdiObject bitmap(CreateCompatibleBitmap(target, std::max<LONG>(client.right, 1),
                                                std::max<LONG>(client.bottom, 1)));
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap.get());
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  HBRUSH brush = reinterpret_cast<HBRUSH>(
      SendMessageW(GetParent(box), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
  FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
  const COLORREF plain = GetTextColor(dc);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
  for (const Laid& piece : st.laid) {
    const HypertextRun& run = st.runs[piece.run];
    SelectObject(dc, st.font(fontKeyOf(run)));
    SetTextColor(dc, colorOf(run, plain));
    TextOutW(dc, piece.rect.left, piece.rect.top, piece.text.data(), static_cast<int>(piece.text.size()));
  }
  SelectObject(dc, oldFont);
  BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
}

LRESULT CALLBACK boxProc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
  BoxState* st = stateOf(box);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new (std::nothrow) BoxState));
      if (!stateOf(box)) return FALSE;
      break;
    case WM_NCDESTROY:
      delete st;
      SetWindowLongPtrW(box, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(box, &ps);
      if (st) paint(box, *st, dc);
      EndPaint(box, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (st) paint(box, *st, reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SETCURSOR:
      if (st && LOWORD(lp) == HTCLIENT) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(box, &p);
        const std::string* href = linkAt(box, *st, MAKELPARAM(p.x, p.y));
        if (href && isOpenableLink(*href)) {
          SetCursor(LoadCursorW(nullptr, IDC_HAND));
          return TRUE;
        }
      }
      break;
    case WM_LBUTTONDOWN:
      if (st) {
        const std::string* href = linkAt(box, *st, lp);
        st->pressed = href != nullptr;
        st->pressedHref = href ? *href : std::string();
        // The release is ours wherever it happens, so a stale press never opens a link.
        if (st->pressed) SetCapture(box);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (st && reinterpret_cast<HWND>(lp) != box) st->pressed = false;
      return 0;
    case WM_LBUTTONUP:
      if (st && st->pressed) {
        st->pressed = false;
        if (GetCapture() == box) ReleaseCapture();
        const std::string* href = linkAt(box, *st, lp);
        // Opened only when pressed and released on the same link, and only a web address.
        if (href && *href == st->pressedHref && isOpenableLink(*href)) {
          const std::wstring url = widen(*href);
          if (linkOpener()) linkOpener()(url);
        }
      }
      return 0;
    case WM_SIZE:
      if (st) st->dirty = true;
      break;
    // The window text is the shown text without markup, so accessibility tools
    // and tests read what the user reads.
    case WM_GETTEXTLENGTH:
      return st ? static_cast<LRESULT>(st->plainText.size()) : 0;
    case WM_GETTEXT: {
      if (!st || wp == 0 || !lp) return 0;
      const size_t n = std::min(static_cast<size_t>(wp) - 1, st->plainText.size());
      auto* out = reinterpret_cast<wchar_t*>(lp);
      std::copy_n(st->plainText.data(), n, out);
      out[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
    case WM_SETTEXT:
      return FALSE;  // the content comes only through setHypertextContent
    default:
      break;
  }
  return DefWindowProcW(box, msg, wp, lp);
}

void registerClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = boxProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

HWND createHypertextBox(HWND parent, int x, int y, int width, int height, int id) {
  registerClass();
  return CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void setHypertextContent(HWND box, std::string_view gbkMarkup) {
  BoxState* st = stateOf(box);
  if (!st) return;
  st->runs = parseHypertext(gbkMarkup);
  std::string plain;
  for (const HypertextRun& run : st->runs) plain += run.lineBreak ? std::string("\r\n") : run.text;
  st->plainText = widen(plain);
  st->dirty = true;
  st->pressed = false;
  InvalidateRect(box, nullptr, TRUE);
}

std::vector<HypertextPiece> hypertextLayout(HWND box) {
  std::vector<HypertextPiece> out;
  BoxState* st = stateOf(box);
  if (!st) return out;
  ensureLayout(box, *st);
  const COLORREF plain = GetSysColor(COLOR_WINDOWTEXT);
  for (const Laid& piece : st->laid) {
    const HypertextRun& run = st->runs[piece.run];
    const FontKey key = fontKeyOf(run);
    out.push_back(HypertextPiece{piece.rect, narrow(piece.text), key.bold, key.italic, key.underline,
                                 colorOf(run, plain), piece.rect.bottom - piece.rect.top, run.href});
  }
  return out;
}

HypertextLinkOpener setHypertextLinkOpener(HypertextLinkOpener opener) {
  return std::exchange(linkOpener(), std::move(opener));
}

}  // namespace qelvo
