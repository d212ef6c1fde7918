#include "platform/gbk_text_win.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace qelvo {
namespace {

TEST(GbkText, ConvertsThroughCodePage936WhateverTheAnsiCodePage) {
  EXPECT_EQ(widen("脚本"), L"脚本");
  EXPECT_EQ(narrow(L"按键盘F1键一次"), "按键盘F1键一次");
  EXPECT_EQ(widen(""), L"");
  EXPECT_EQ(narrow(L""), "");
  EXPECT_EQ(narrow(widen("\xA1\xA2")), "、");
}

TEST(GbkText, TestPrefixRunsWithChineseCodePage) {
  // The tests' Wine prefix runs under zh_CN: screenshots show real Chinese text.
  EXPECT_EQ(GetACP(), 936u);
}

}  // namespace
}  // namespace qelvo
