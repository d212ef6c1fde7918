#pragma once
// One synchronous GET through the system's COM HTTP request object, and the
// UTF-8 -> GBK re-encoding of its body through the COM stream object.
#include <cstddef>
#include <string>
#include <string_view>

namespace qelvo {

// Raw bytes (a page body, a conversion result) held in a std::string.
using Bytes = std::string;

// No page body is read beyond this: a hostile server cannot exhaust memory.
inline constexpr size_t kMaxPageBytes = 4u << 20;

// The response body whatever the status; empty when no request object exists or
// the request fails. COM is initialised and uninitialised around the call.
Bytes sendWebRequest(std::string_view url);

// The data re-encoded from one named character set to another by "Adodb.Stream";
// when that object is missing or yields nothing for non-empty data, by the
// code-page functions (UTF-8, GBK and GB2312 are known to them).
Bytes convertCharset(std::string_view data, std::string_view fromCharset, std::string_view toCharset);

// The page at url as GBK text, up to its first NUL; empty when it cannot be read.
std::string fetchPageText(std::string_view url);

}  // namespace qelvo
