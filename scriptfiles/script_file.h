#pragma once
// The numbered text form of a saved script, GBK bytes with no header:
// "1、<row 1>\r\n2、<row 2>\r\n...", every line ending in CR LF.
#include <string>
#include <string_view>
#include <vector>

#include "script/script_lines.h"

namespace qelvo {

// The whole content of a script file for the rows of the list.
std::string formatScriptFile(const ScriptList& script);

// The row texts a script file holds, in the order of its lines. The text ends at
// the first NUL or 0x1A byte. A row is everything after the first "、" of its
// line (the number before it is never read), a line without "、" is a row as it
// stands, and an empty line is no row.
std::vector<std::string> parseScriptFile(std::string_view bytes);

// Replaces every row of the list with the rows of a script file.
void loadScriptRows(ScriptList& script, std::string_view bytes);

// A typed script name must stay one plain file name inside the script folder:
// no path separator, drive or stream colon, wildcard, quote, redirection
// character or control character. The empty name is checked separately.
bool isAcceptableScriptName(std::wstring_view name);

}  // namespace qelvo
