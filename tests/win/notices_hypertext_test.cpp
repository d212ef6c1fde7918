// The banner box drawing its markup subset, its links, and the update notice
// window, all in real windows of this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/hypertext_box_win.h"
#include "notices/update_notice_window_win.h"
#include "platform/gbk_text_win.h"

namespace qelvo {
namespace {

class HypertextBox : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 420, 80, nullptr, nullptr, nullptr, nullptr);
    box_ = createHypertextBox(parent_, 8, 8, 390, 42, 100);
    ASSERT_TRUE(box_);
    opened_.clear();
    previous_ = setHypertextLinkOpener([this](const std::wstring& url) { opened_.push_back(url); });
  }
  void TearDown() override {
    setHypertextLinkOpener(previous_);
    DestroyWindow(parent_);
  }

  // Looks a piece up in the layout taken by the last setContent.
  const HypertextPiece* piece(std::string_view text) const {
    for (const HypertextPiece& p : layout_)
      if (p.text == text) return &p;
    return nullptr;
  }

  std::string dump() const {
    std::string out;
    for (const HypertextPiece& p : layout_)
      out += "[" + p.text + "] at " + std::to_string(p.rect.left) + "," + std::to_string(p.rect.top) + "\n";
    return out;
  }

  void setContent(std::string_view markup) {
    setHypertextContent(box_, markup);
    layout_ = hypertextLayout(box_);
  }

  void click(const HypertextPiece& down, const HypertextPiece& up) {
    const auto at = [](const HypertextPiece& p) {
      return MAKELPARAM((p.rect.left + p.rect.right) / 2, (p.rect.top + p.rect.bottom) / 2);
    };
    SendMessageW(box_, WM_LBUTTONDOWN, MK_LBUTTON, at(down));
    SendMessageW(box_, WM_LBUTTONUP, 0, at(up));
  }

  // The box as it paints itself, as 0x00RRGGBB pixels.
  std::vector<uint32_t> pixels(int& width, int& height) {
    RECT rc;
    GetClientRect(box_, &rc);
    width = rc.right;
    height = rc.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageW(box_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> out(p, p + width * height);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return out;
  }

  HWND parent_ = nullptr;
  HWND box_ = nullptr;
  std::vector<HypertextPiece> layout_;
  std::vector<std::wstring> opened_;
  HypertextLinkOpener previous_;
};

TEST_F(HypertextBox, DrawsTheMarkupSubset) {
  setContent("<b>Bold</b> <i>It</i> <u>Un</u> <font color=#ff0000 size=5>Red</font><br>"
                            "<a href=\"http://example.com/\">web</a> &lt;script&gt;");
  const HypertextPiece* bold = piece("Bold");
  const HypertextPiece* red = piece("Red");
  const HypertextPiece* web = piece("web");
  ASSERT_TRUE(bold && red && web && piece("It") && piece("Un") && piece(" <script>"));
  EXPECT_TRUE(bold->bold && !bold->italic);
  EXPECT_TRUE(piece("It")->italic);
  EXPECT_TRUE(piece("Un")->underline);
  EXPECT_EQ(red->color, RGB(255, 0, 0));
  EXPECT_GT(red->pixelHeight, bold->pixelHeight);
  EXPECT_EQ(web->color, RGB(0, 0, 238));
  EXPECT_TRUE(web->underline);
  EXPECT_EQ(web->href, "http://example.com/");
  EXPECT_GE(web->rect.top, red->rect.bottom - 1) << "<br> starts a new line";
  EXPECT_EQ(bold->rect.bottom, piece("It")->rect.bottom) << "one baseline per line";

  // The pixels agree: red ink inside the red word, blue under the link, plain
  // background elsewhere.
  int w = 0, h = 0;
  const std::vector<uint32_t> px = pixels(w, h);
  const auto count = [&](const RECT& r, auto pred) {
    int n = 0;
    for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, h); ++y)
      for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, w); ++x) n += pred(px[y * w + x]);
    return n;
  };
  const auto red8 = [](uint32_t c) { return (c >> 16 & 0xFF) > 200 && (c >> 8 & 0xFF) < 80 && (c & 0xFF) < 80; };
  const auto blue8 = [](uint32_t c) { return (c & 0xFF) > 200 && (c >> 16 & 0xFF) < 80 && (c >> 8 & 0xFF) < 80; };
  const auto dark = [](uint32_t c) { return (c >> 16 & 0xFF) < 80 && (c >> 8 & 0xFF) < 80 && (c & 0xFF) < 80; };
  EXPECT_GT(count(red->rect, red8), 5);
  EXPECT_EQ(count(bold->rect, red8), 0);
  EXPECT_GT(count(bold->rect, dark), 5);
  EXPECT_GT(count(web->rect, blue8), 5);
  const RECT right{web->rect.right + 200, 0, w, h};
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const uint32_t background = GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
  EXPECT_EQ(count(right, [&](uint32_t c) { return (c & 0xFFFFFF) != background; }), 0);
}

TEST_F(HypertextBox, OpensOnlyWebLinksAndOnlyOnAClick) {
  setContent("<a href=\"http://example.com/a\">web</a> <a href='https://example.com/b'>safe</a> "
                            "<a href=\"javascript:alert(1)\">js</a> <a href=file:///C:/windows/notepad.exe>file</a> "
                            "<a>none</a> plain");
  const HypertextPiece* web = piece("web");
  const HypertextPiece* safe = piece("safe");
  const HypertextPiece* js = piece("js");
  const HypertextPiece* file = piece("file");
  const HypertextPiece* plain = piece(" none plain");  // <a> without href is plain text
  ASSERT_TRUE(web && safe && js && file && plain) << dump();
  click(*js, *js);
  click(*file, *file);
  click(*plain, *plain);
  click(*web, *js);  // pressed on one link, released on another
  EXPECT_TRUE(opened_.empty());
  SendMessageW(box_, WM_LBUTTONUP, 0, MAKELPARAM(web->rect.left + 1, web->rect.top + 1));  // no press
  EXPECT_TRUE(opened_.empty());
  click(*web, *web);
  click(*safe, *safe);
  EXPECT_EQ(opened_, (std::vector<std::wstring>{L"http://example.com/a", L"https://example.com/b"}));
}

TEST_F(HypertextBox, ContentIsReplacedAsAWholeAndWrapsInsideTheBox) {
  setHypertextContent(box_, "first");
  setHypertextContent(box_, "欢迎使用本软件，这是一段很长的中文公告文字，用来检查自动换行是否发生在方框之内。"
                            "http://example.com/a/very/long/address/that/cannot/fit/on/one/line/of/the/box");
  const std::vector<HypertextPiece> layout = hypertextLayout(box_);
  std::string shown;
  LONG lowest = 0;
  for (const HypertextPiece& p : layout) {
    shown += p.text;
    EXPECT_LE(p.rect.right, 390) << p.text;
    lowest = std::max(lowest, p.rect.bottom);
  }
  EXPECT_EQ(shown.find("first"), std::string::npos);
  EXPECT_NE(shown.find("http://example.com/a/very/long/"), std::string::npos);
  EXPECT_GT(lowest, 2 * layout.front().pixelHeight) << "the text takes several lines";
  wchar_t text[64];
  setHypertextContent(box_, "<b>一</b>&amp;<br><script>x</script>二");
  EXPECT_EQ(GetWindowTextLengthW(box_), 5);
  GetWindowTextW(box_, text, 64);
  EXPECT_STREQ(text, L"一&\r\n二");
  GetWindowTextW(box_, text, 3);
  EXPECT_STREQ(text, L"一&");
  setHypertextContent(box_, "");
  EXPECT_TRUE(hypertextLayout(box_).empty());
  EXPECT_EQ(GetWindowTextLengthW(box_), 0);

  // A page-sized banner lays out only the lines the box can show.
  std::string huge;
  while (huge.size() < (4u << 20)) huge += "广告 ad ";
  setHypertextContent(box_, huge);
  const std::vector<HypertextPiece> visible = hypertextLayout(box_);
  ASSERT_FALSE(visible.empty());
  for (const HypertextPiece& p : visible) EXPECT_LT(p.rect.top, 42);
}

struct NoticeSnapshot {
  static inline HWND other = nullptr;
  static inline bool seen = false;
  static inline bool otherEnabled = true;
  static inline std::wstring title, label;
  static inline RECT windowRect{}, labelRect{}, linkRect{};
  static inline LONG style = 0;
  static inline std::vector<HypertextPiece> link;

  static void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND notice = FindWindowW(L"QelvoUpdateNotice", nullptr);
    if (!notice || !IsWindowVisible(notice)) return;
    KillTimer(nullptr, id);
    seen = true;
    otherEnabled = IsWindowEnabled(other) != FALSE;
    wchar_t buf[256] = {};
    GetWindowTextW(notice, buf, 256);
    title = buf;
    GetWindowTextW(GetDlgItem(notice, 1), buf, 256);
    label = buf;
    GetWindowRect(notice, &windowRect);
    const auto childRect = [&](int id2) {
      RECT r{};
      GetWindowRect(GetDlgItem(notice, id2), &r);
      MapWindowPoints(nullptr, notice, reinterpret_cast<POINT*>(&r), 2);
      return r;
    };
    labelRect = childRect(1);
    linkRect = childRect(2);
    style = GetWindowLongW(notice, GWL_STYLE);
    link = hypertextLayout(GetDlgItem(notice, 2));
    PostMessageW(notice, WM_CLOSE, 0, 0);
  }
};

TEST(UpdateNotice, IsACentredModalWindowWithTheLabelAndTheLink) {
  HWND other = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                               nullptr, nullptr, nullptr);
  NoticeSnapshot::other = other;
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, NoticeSnapshot::tick);
  showUpdateNotice("测试下载站", "http://127.0.0.1:18650/download.html");
  KillTimer(nullptr, timer);
  ASSERT_TRUE(NoticeSnapshot::seen);
  EXPECT_FALSE(NoticeSnapshot::otherEnabled);
  EXPECT_TRUE(IsWindowEnabled(other));
  EXPECT_EQ(NoticeSnapshot::title, L"更新提示：");
  EXPECT_EQ(NoticeSnapshot::label,
            L"  Qelvo有新版本，如需更新请访问测试下载站搜索“Qelvo”、或者直接点击以下地址下载新版本Qelvo。");
  const RECT& w = NoticeSnapshot::windowRect;
  EXPECT_EQ(w.right - w.left, 231);
  EXPECT_EQ(w.bottom - w.top, 112);
  EXPECT_NEAR((w.left + w.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((w.top + w.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  EXPECT_EQ(NoticeSnapshot::labelRect.left, 0);
  EXPECT_EQ(NoticeSnapshot::labelRect.top, 8);
  EXPECT_EQ(NoticeSnapshot::labelRect.right, 224);
  EXPECT_EQ(NoticeSnapshot::labelRect.bottom, 48);
  EXPECT_EQ(NoticeSnapshot::linkRect.top, 48);
  EXPECT_EQ(NoticeSnapshot::linkRect.bottom - NoticeSnapshot::linkRect.top, 32);
  EXPECT_EQ(NoticeSnapshot::linkRect.right - NoticeSnapshot::linkRect.left, 224);
  const LONG s = NoticeSnapshot::style;
  EXPECT_TRUE((s & WS_SYSMENU) && (s & WS_CAPTION));
  EXPECT_FALSE(s & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  std::string linkText;
  for (const HypertextPiece& p : NoticeSnapshot::link) {
    linkText += p.text;
    EXPECT_EQ(p.href, "http://127.0.0.1:18650/download.html");
  }
  EXPECT_EQ(linkText, "http://127.0.0.1:18650/download.html");
  EXPECT_EQ(FindWindowW(L"QelvoUpdateNotice", nullptr), nullptr);
  DestroyWindow(other);
}

}  // namespace
}  // namespace qelvo
