#include "scriptfiles/script_file.h"

#include "script/text.h"

namespace qelvo {

namespace {
constexpr std::string_view kNumberMark = "、";
constexpr std::string_view kLineEnd = "\r\n";
}  // namespace

std::string formatScriptFile(const ScriptList& script) {
  std::string bytes;
  const int rows = script.rowCount();
  for (int i = 1; i <= rows; ++i) {
    bytes += decimalText(i);
    bytes += kNumberMark;
    bytes += script.rowText(i - 1);
    bytes += kLineEnd;
  }
  return bytes;
}

std::vector<std::string> parseScriptFile(std::string_view bytes) {
  // Neither byte can be the second byte of a GBK character, so a plain search is safe.
  bytes = bytes.substr(0, bytes.find_first_of(std::string_view("\0\x1A", 2)));
  std::vector<std::string> rows;
  for (const std::string& line : splitText(bytes, kLineEnd)) {
    if (line.empty()) continue;
    // splitText finds "、" only where a character starts, and keeps an empty first
    // member, so the first member's length is where the first mark stands.
    const size_t mark = splitText(line, kNumberMark).front().size();
    rows.push_back(mark == line.size() ? line : line.substr(mark + kNumberMark.size()));
  }
  return rows;
}

void loadScriptRows(ScriptList& script, std::string_view bytes) {
  const std::vector<std::string> rows = parseScriptFile(bytes);
  script.removeAllRows();
  for (const std::string& row : rows) appendLine(script, row);
}

bool isAcceptableScriptName(std::wstring_view name) {
  for (const wchar_t c : name) {
    if (c < 0x20 || c == 0x7F) return false;
    if (std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) return false;
  }
  return true;
}

}  // namespace qelvo
