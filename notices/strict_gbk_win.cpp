#include <windows.h>

#include "notices/update_check.h"

namespace qelvo {

std::string strictUtf8ToGbk(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int inLen = static_cast<int>(utf8.size());
  const int wideLen = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inLen, nullptr, 0);
  if (wideLen <= 0) return {};
  std::wstring wide(static_cast<size_t>(wideLen), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inLen, wide.data(), wideLen) != wideLen)
    return {};
  BOOL usedDefault = FALSE;
  const int gbkLen = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(), wideLen, nullptr, 0,
                                         nullptr, &usedDefault);
  if (gbkLen <= 0 || usedDefault) return {};
  std::string out(static_cast<size_t>(gbkLen), '\0');
  usedDefault = FALSE;
  if (WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(), wideLen, out.data(), gbkLen, nullptr,
                          &usedDefault) != gbkLen ||
      usedDefault)
    return {};
  return out;
}

}  // namespace qelvo
