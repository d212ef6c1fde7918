#include <iconv.h>

#include <cerrno>

#include "notices/update_check.h"

namespace qelvo {

std::string strictUtf8ToGbk(std::string_view utf8) {
  if (utf8.empty()) return {};
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(utf8.size() * 2 + 4, '\0');  // GBK never takes more bytes than UTF-8 + slack
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  // No //TRANSLIT or //IGNORE: any undecodable or unrepresentable character fails.
  const size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
  const bool ok = r != static_cast<size_t>(-1) && inLeft == 0 && r == 0;
  iconv_close(cd);
  if (!ok) return {};
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace qelvo
