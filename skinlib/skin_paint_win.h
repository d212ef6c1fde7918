#pragma once
// The skin turned into GDI objects, made once per attach and shared by every
// window and thread (GDI objects are process-wide), and the library's drawing.
#include <windows.h>

#include "skinlib/skin_format.h"

namespace qelvo::skin {

struct Theme {
  Skin skin;
  HFONT font = nullptr;
  HFONT boldFont = nullptr;
  HBRUSH windowBrush = nullptr;
  HBRUSH editBrush = nullptr;
  HBRUSH listBrush = nullptr;
};

// nullptr when the GDI objects cannot be made. A theme is never destroyed once
// published: windows on other threads may be painting with it.
Theme* createTheme(const Skin& skin) noexcept;

struct ButtonLook {
  bool hot = false;
  bool isDefault = false;
};
void drawPushButton(const Theme& theme, const DRAWITEMSTRUCT& item, ButtonLook look) noexcept;
void paintGroupBox(const Theme& theme, HWND box, HDC dc) noexcept;
void paintDropDownList(const Theme& theme, HWND combo, HDC dc) noexcept;
// Redraws the sunken client edge of an edit box or list as a thin flat frame.
void paintFlatFrame(const Theme& theme, HWND control, bool focused) noexcept;

}  // namespace qelvo::skin
