#pragma once
// GBK <-> UTF-16 at the window system's edge, always through code page 936, so
// Chinese texts come out right whatever the system's ANSI code page is.
#include <string>
#include <string_view>

namespace qelvo {

std::wstring widen(std::string_view gbk);
std::string narrow(std::wstring_view wide);

}  // namespace qelvo
