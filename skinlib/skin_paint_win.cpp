#include "skinlib/skin_paint_win.h"

#include <new>
#include <string>

namespace qelvo::skin {
namespace {

struct FaceSearch {
  bool found = false;
};

int CALLBACK noteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  reinterpret_cast<FaceSearch*>(found)->found = true;
  return 0;
}

std::wstring toWide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  if (n <= 0 || n >= LF_FACESIZE) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

// The first listed face that is installed; the first usable one otherwise, which
// the font mapper then replaces by its closest match.
std::wstring chooseFace(const Skin& skin, HDC dc) {
  std::wstring fallback;
  for (const auto& face : skin.fontFaces) {
    std::wstring wide = toWide(face);
    if (wide.empty()) continue;
    if (fallback.empty()) fallback = wide;
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wide.copy(query.lfFaceName, LF_FACESIZE - 1);
    FaceSearch search;
    EnumFontFamiliesExW(dc, &query, noteFace, reinterpret_cast<LPARAM>(&search), 0);
    if (search.found) return wide;
  }
  return fallback;
}

HFONT makeFont(const std::wstring& face, int height, LONG weight) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfQuality = CLEARTYPE_QUALITY;
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

BYTE channel(Colour c, int shift) { return static_cast<BYTE>((c >> shift) & 0xFF); }

COLORREF blend(Colour a, Colour b, int num, int den) {
  auto mix = [&](int shift) {
    const int x = channel(a, shift);
    const int y = channel(b, shift);
    return static_cast<BYTE>(x + (y - x) * num / (den > 0 ? den : 1));
  };
  return RGB(mix(0), mix(8), mix(16));
}

// Fills with one colour through the DC brush: no brush object to create or leak.
void fill(HDC dc, const RECT& rc, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void frame(HDC dc, const RECT& rc, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

std::wstring windowText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

// An off-screen bitmap for flicker-free drawing; released whatever happens.
class Canvas {
 public:
  Canvas(HDC target, int width, int height)
      : dc_(CreateCompatibleDC(target)), bitmap_(CreateCompatibleBitmap(target, width, height)) {
    if (dc_ && bitmap_) old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    if (old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  bool ok() const { return old_ != nullptr; }
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_ = nullptr;
};

class Region {
 public:
  explicit Region(HRGN r) : r_(r) {}
  ~Region() {
    if (r_) DeleteObject(r_);
  }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  HRGN get() const { return r_; }

 private:
  HRGN r_;
};

HRGN roundedRegion(int left, int top, int right, int bottom, int radius) {
  if (radius <= 0) return CreateRectRgn(left, top, right, bottom);
  return CreateRoundRectRgn(left, top, right + 1, bottom + 1, radius * 2, radius * 2);
}

}  // namespace

Theme* createTheme(const Skin& skin) noexcept {
  try {
    auto* theme = new (std::nothrow) Theme{};
    if (!theme) return nullptr;
    theme->skin = skin;
    HDC screen = GetDC(nullptr);
    const std::wstring face = chooseFace(skin, screen);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    const int height = -MulDiv(skin.fontSize, dpi > 0 ? dpi : 96, 72);
    theme->font = makeFont(face, height, FW_NORMAL);
    theme->boldFont = makeFont(face, height, FW_BOLD);
    theme->windowBrush = CreateSolidBrush(skin.windowBackground);
    theme->editBrush = CreateSolidBrush(skin.editBackground);
    theme->listBrush = CreateSolidBrush(skin.listBackground);
    if (theme->font && theme->boldFont && theme->windowBrush && theme->editBrush && theme->listBrush) return theme;
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(theme->font), static_cast<HGDIOBJ>(theme->boldFont),
                      static_cast<HGDIOBJ>(theme->windowBrush), static_cast<HGDIOBJ>(theme->editBrush),
                      static_cast<HGDIOBJ>(theme->listBrush)})
      if (o) DeleteObject(o);
    delete theme;
    return nullptr;
  } catch (...) {
    return nullptr;
  }
}

void drawPushButton(const Theme& theme, const DRAWITEMSTRUCT& item, ButtonLook look) noexcept {
  const Skin& s = theme.skin;
  const RECT& rc = item.rcItem;
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  if (w <= 0 || h <= 0) return;
  Canvas canvas(item.hDC, w, h);
  if (!canvas.ok()) return;
  HDC dc = canvas.dc();

  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0;
  Colour top = s.buttonTop, bottom = s.buttonBottom;
  if (disabled) {
    top = bottom = s.buttonDisabledFace;
  } else if (pressed) {
    top = s.buttonPressedTop, bottom = s.buttonPressedBottom;
  } else if (look.hot) {
    top = s.buttonHotTop, bottom = s.buttonHotBottom;
  }
  if (s.buttonFill == ButtonFill::flat) bottom = top;

  const RECT all{0, 0, w, h};
  fill(dc, all, s.windowBackground);  // shows in the rounded corners
  const int radius = s.buttonRadius * 2 > h || s.buttonRadius * 2 > w ? 0 : s.buttonRadius;
  Region shape(roundedRegion(0, 0, w - 1, h - 1, radius));
  if (shape.get()) SelectClipRgn(dc, shape.get());
  for (int y = 0; y < h; ++y) {
    const RECT line{0, y, w, y + 1};
    fill(dc, line, blend(top, bottom, y, h - 1));
  }
  SelectClipRgn(dc, nullptr);
  if (shape.get()) {
    SetDCBrushColor(dc, disabled ? blend(s.buttonDisabledFace, s.windowText, 1, 4) : s.buttonBorder);
    FrameRgn(dc, shape.get(), static_cast<HBRUSH>(GetStockObject(DC_BRUSH)), 1, 1);
    if (look.isDefault && !disabled) FrameRgn(dc, shape.get(), static_cast<HBRUSH>(GetStockObject(DC_BRUSH)), 2, 2);
  }
  if (focused && !disabled) {
    Region ring(roundedRegion(2, 2, w - 3, h - 3, radius > 1 ? radius - 1 : 0));
    if (ring.get()) {
      SetDCBrushColor(dc, s.buttonFocus);
      FrameRgn(dc, ring.get(), static_cast<HBRUSH>(GetStockObject(DC_BRUSH)), 1, 1);
    }
  }

  const std::wstring text = windowText(item.hwndItem);
  RECT textRect{2, 1, w - 2, h - 1};
  if (pressed) OffsetRect(&textRect, 0, 1);
  HGDIOBJ oldFont = SelectObject(dc, theme.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? s.buttonDisabledText : s.buttonText);
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, format);
  SelectObject(dc, oldFont);

  BitBlt(item.hDC, rc.left, rc.top, w, h, dc, 0, 0, SRCCOPY);
}

void paintGroupBox(const Theme& theme, HWND box, HDC dc) noexcept {
  const Skin& s = theme.skin;
  RECT rc;
  if (!GetClientRect(box, &rc)) return;
  const std::wstring text = windowText(box);
  HGDIOBJ oldFont = SelectObject(dc, theme.boldFont);
  SIZE extent{0, 0};
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  const int lineY = rc.top + tm.tmHeight / 2;

  // Only the frame and the caption: the inside belongs to the parent, and the
  // controls drawn over it are siblings that must not be painted over.
  HPEN pen = CreatePen(PS_SOLID, 1, s.groupBorder);
  if (pen) {
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, rc.left, lineY, rc.right, rc.bottom, 8, 8);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  if (!text.empty()) {
    const RECT caption{rc.left + 8, rc.top, rc.left + 8 + extent.cx + 8, rc.top + tm.tmHeight};
    fill(dc, caption, s.windowBackground);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(box) ? s.groupText : GetSysColor(COLOR_GRAYTEXT));
    TextOutW(dc, rc.left + 12, rc.top, text.c_str(), static_cast<int>(text.size()));
  }
  SelectObject(dc, oldFont);
}

void paintDropDownList(const Theme& theme, HWND combo, HDC target) noexcept {
  const Skin& s = theme.skin;
  RECT rc;
  if (!GetClientRect(combo, &rc)) return;
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  if (w <= 0 || h <= 0) return;
  Canvas canvas(target, w, h);
  if (!canvas.ok()) return;
  HDC dc = canvas.dc();

  const bool enabled = IsWindowEnabled(combo) != FALSE;
  const bool focused = GetFocus() == combo;
  const bool dropped = SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;
  fill(dc, rc, enabled ? s.editBackground : s.windowBackground);
  frame(dc, rc, focused || dropped ? s.editFocus : s.editBorder);

  const int arrowWidth = h > 16 ? 16 : h;
  RECT textRect{3, 3, w - arrowWidth - 1, h - 3};
  std::wstring text;
  const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (sel != CB_ERR) {
    const LRESULT len = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0);
    if (len > 0 && len < 4096) {
      text.assign(static_cast<std::size_t>(len) + 1, L'\0');
      const LRESULT got = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(text.data()));
      text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
  }
  COLORREF textColour = enabled ? s.editText : GetSysColor(COLOR_GRAYTEXT);
  if (focused && !dropped && enabled) {
    fill(dc, textRect, s.listSelection);
    textColour = s.listSelectionText;
  }
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColour);
  RECT inner = textRect;
  inner.left += 3;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &inner,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (oldFont) SelectObject(dc, oldFont);

  // A small chevron in the accent colour.
  const int cx = w - arrowWidth / 2 - 2;
  const int cy = h / 2;
  HPEN pen = CreatePen(PS_SOLID, 1, enabled ? s.editFocus : GetSysColor(COLOR_GRAYTEXT));
  if (pen) {
    HGDIOBJ oldPen = SelectObject(dc, pen);
    for (int k = 0; k < 2; ++k) {
      const POINT v[3] = {{cx - 4, cy - 2 + k}, {cx, cy + 2 + k}, {cx + 5, cy - 3 + k}};
      Polyline(dc, v, 3);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
  BitBlt(target, 0, 0, w, h, dc, 0, 0, SRCCOPY);
}

void paintFlatFrame(const Theme& theme, HWND control, bool focused) noexcept {
  const bool sunken = (GetWindowLongPtrW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
  const bool bordered = (GetWindowLongPtrW(control, GWL_STYLE) & WS_BORDER) != 0;
  if (!sunken && !bordered) return;
  HDC dc = GetWindowDC(control);
  if (!dc) return;
  RECT rc;
  GetWindowRect(control, &rc);
  OffsetRect(&rc, -rc.left, -rc.top);
  frame(dc, rc, focused ? theme.skin.editFocus : theme.skin.editBorder);
  if (!sunken) {  // a plain one-pixel border is all there is
    ReleaseDC(control, dc);
    return;
  }
  InflateRect(&rc, -1, -1);
  const bool edit = SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL;
  frame(dc, rc, edit ? theme.skin.editBackground : theme.skin.listBackground);
  ReleaseDC(control, dc);
}

}  // namespace qelvo::skin
