#pragma once
// Deciding from the raw bytes of the update page whether a newer version exists.
#include <string>
#include <string_view>

namespace qelvo {

// UTF-8 to GBK, all or nothing: invalid UTF-8, or a character that GBK cannot
// hold, makes the whole result empty. iconv on POSIX systems, the code-page
// functions on Windows (no best-fit substitutions).
std::string strictUtf8ToGbk(std::string_view utf8);

// True when the page, read as UTF-8 and converted strictly to GBK, contains
// "Qelvo有更新" (exact case). A GBK-encoded page, broken UTF-8 or text outside
// GBK never announces an update.
bool pageAnnouncesUpdate(std::string_view pageBytes);

}  // namespace qelvo
